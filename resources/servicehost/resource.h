#pragma once
// Resource ids of the service host. Its event messages come from the message table that
// RavelinMessages.mc describes (ids in the generated RavelinMessages.h).
