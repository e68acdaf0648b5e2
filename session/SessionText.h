#pragma once

#include <string>
#include <vector>

// How the session's text lines show what they quote.

// A line as it can be shown on a terminal: control bytes as '?', and a line
// over 100 bytes cut, with its length said.
std::string Printable(const std::string& line);

// A list in brackets, as the text lines show numbers, files and fields:
// [1,2] and ["EP 1 A1","b.css"]. Strings are quoted the JSON way ('"', '\'
// and control characters escaped); bytes that are not UTF-8 become U+FFFD,
// one for each invalid or cut-short sequence.
std::string ListText(const std::vector<int>& numbers);
std::string ListText(const std::vector<std::string>& texts);

// The time now in UTC, as the transcript and the JSON lines stamp a line:
// "2026-12-07T21:55:14Z".
std::string UtcNow();
