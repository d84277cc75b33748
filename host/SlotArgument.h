#pragma once
// The host's one argument: the slot number that the service host passes (its two digits).

#include <cstddef>

class CUtil;

// The argument's leading decimal number (leading white space skipped, an optional sign, digits up
// to the first other character; no digits gives 0). False when the number lies outside 0..49.
bool ParseSlotNumber(const char* argument, int* slot);

// The argument as the base name of the log file: its first whole characters up to size - 1
// bytes, each character that a file name cannot hold (\ / : * ? " < > | and control characters)
// made "_", so the log always lies in the data folder. Two digits stay as they are. Characters
// are those of the code page (0: the system's ANSI code page).
void MakeLogBaseName(const char* argument, char* name, size_t size, unsigned codePage = 0);

// Accepts the argument and stores it as the host's slotText and slot: 1 accepted, 0 refused.
// An empty argument and a slot outside 0..49 are refused; an argument of any length is accepted.
int ParseSlotArgument(const char* argument, CUtil& util);
