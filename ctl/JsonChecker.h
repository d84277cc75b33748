#pragma once
// The rules of RavelinCtl's JSON files, checked while nlohmann/json reads the text: at most eight
// levels of nesting, 1000 items or members in one array or object, 4096 characters in a text,
// numbers of at most 64 characters, no member name twice in one object, no NUL in a text and
// every text in the system's ANSI code page; with the library's own grammar faults put into
// words of ours. A fault is named with its line and column (1-based, in bytes of the UTF-8
// text): where the offending token, character or text begins.

#include <string>
#include <vector>

// True when text (UTF-8, without a byte order mark) is one JSON value within the rules;
// otherwise false with "line L, column C: what".
bool CheckJson(const std::string& text, std::string& error);

// Where the value at path (member names and item indexes as text, from the document down; the
// names as the text spells them once unescaped) begins: "line L, column C". Empty when the text
// holds no such value before its first fault.
std::string JsonValuePlace(const std::string& text, const std::vector<std::string>& path);
