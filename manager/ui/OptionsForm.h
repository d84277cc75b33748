#pragma once
// The Service options dialog's fields as the user sees them (texts, a combo choice, a check box)
// and their translation to and from ServiceOptions. The check of each field is the one of
// CheckServiceOptions, so the dialog refuses exactly what RavelinCtl refuses, with its words.

#include "ServiceOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct OptionsForm {
    uint32_t stopMethod = kStopTerminate; // index of the method combo
    std::string stopTimeout;
    uint32_t restart = kRestartNever;     // index of the policy combo
    std::string restartDelay;
    std::string maxRestarts;
    bool killTree = false;
    std::string stdoutPath;
    std::string stderrPath;
    std::string rotateBytes;
    std::string rotateKeep;
    std::string environment;              // one NAME=VALUE per line, lines ended by "\r\n"
};

// The field a refusal is about, so that the dialog can put the focus there.
enum class OptionsField {
    None,
    StopMethod,
    StopTimeout,
    Restart,
    RestartDelay,
    MaxRestarts,
    StdoutPath,
    StderrPath,
    RotateBytes,
    RotateKeep,
    Environment,
};

// The options as the dialog shows them: numbers in decimal, the environment one entry a line.
OptionsForm FormOfOptions(const ServiceOptions& options);

// Reads the form into options, field by field in the dialog's order. Returns None with options
// set when every field passes; otherwise the first field that does not, message naming that
// option and its range, and options untouched. A number field takes decimal digits only (blanks
// around them are ignored); anything else is out of its range. Blank environment lines are
// skipped; a later entry of the same name replaces an earlier one.
OptionsField ReadOptionsForm(const OptionsForm& form, ServiceOptions& options, char* message,
                             size_t size);

// True when both hold the same options (as they would be stored).
bool SameServiceOptions(const ServiceOptions& first, const ServiceOptions& second);
