#pragma once
// Resource ids of the framework's test programs.

#include "../../framework/FrameworkIds.h"

#define IDR_TESTFRAME 128

// Commands: who handles them is in the test application's parts.
#define ID_TEST_ALL 40001     // view, document, frame and application
#define ID_TEST_DOC 40002     // document, frame and application
#define ID_TEST_FRAME 40003   // frame and application
#define ID_TEST_APP 40004     // application only
#define ID_TEST_GUARDED 40005 // view, behind an update handler the test switches
#define ID_TEST_CHECKED 40006 // frame, with a check mark the test switches
#define ID_TEST_NOBODY 40007  // nobody
#define ID_TEST_DIALOG 40010  // view: runs the data-exchange dialog
#define ID_TEST_BOX 40011     // view: asks a Yes/No question with the standard box
#define ID_TEST_TIMER 40012   // view: starts its timer 77

#define IDD_DDX_TEST 200
#define IDC_NAME 201
#define IDC_NOTE 202
#define IDC_FIRST_BOX 203
#define IDC_SECOND_BOX 204
#define IDD_MISSING 299
