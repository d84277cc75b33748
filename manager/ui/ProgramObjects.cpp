// The manager's program-wide objects. They live in this one file because only within one file
// is the order of construction defined: the utility object first (platform check, folders),
// then the service control object (the SCM handle), then the application object. They are
// destroyed in reverse order as the program ends.

#include "ManagerUtil.h"
#include "RavelinManagerApp.h"
#include "ServiceAction.h"

CUtil util;
CServiceAction serviceAction;
CRavelinManagerApp theApp;
