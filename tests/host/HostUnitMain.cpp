// The host's one utility object, which the host's pieces under test refer to.

#include "HostUtil.h"

CUtil util;
