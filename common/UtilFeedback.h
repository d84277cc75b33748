#pragma once
// Where the manager's utility object sends its messages and progress confirmations when a
// program without windows (the command-line tool) runs the service commands: instead of message
// boxes and the progress dialog, text for the console.

#include <cstdint>

class IUtilFeedback {
public:
    virtual ~IUtilFeedback() = default;

    // A message that ErrorBox (isError true), InfoBox or ShowInstallError would show, word for word.
    virtual void Message(const char* text, bool isError) = 0;
    // A progress confirmation ("Installing...", "Stopping..."). holdMs is the time the caller
    // relies on passing before it goes on (the stop handshake's hold); the sink must wait it.
    virtual void Progress(const char* text, int32_t holdMs) = 0;
};
