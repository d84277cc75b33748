#pragma once
// The command-line tool's answer to the utility object's messages and progress: errors and
// information to stderr, progress steps to stdout, and the stop handshake's hold as a plain wait.

#include "UtilFeedback.h"

class CConsoleFeedback : public IUtilFeedback {
public:
    void Message(const char* text, bool isError) override;
    void Progress(const char* text, int32_t holdMs) override;
};

// A message for the user on stderr, ended by a newline; texts with line breaks stay as they are.
void PrintError(const char* text);
