#pragma once
// Resource ids of the application host.

#define IDS_APP_TITLE 103
#define IDI_HALYARD 107
#define IDI_SMALL 108
#define IDC_HALYARD 109
