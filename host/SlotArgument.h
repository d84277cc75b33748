#pragma once
// The host's one argument: the two-digit slot number that the service host passes.

class CUtil;

// The argument's leading decimal number (leading white space skipped, an optional sign, digits up
// to the first other character; no digits gives 0). False when the number lies outside 0..49.
bool ParseSlotNumber(const char* argument, int* slot);

// Accepts the argument and stores it as the host's slotText and slot: 1 accepted, 0 refused.
// An empty argument, a slot outside 0..49 and an argument longer than the two characters that
// slotText holds are refused.
int ParseSlotArgument(const char* argument, CUtil& util);
