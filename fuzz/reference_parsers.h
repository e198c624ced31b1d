// The page parsers as they were before they were tuned for speed: plain
// character-by-character loops that follow the parsing rules step by step.
// The differential fuzz target runs them beside the program's parsers and
// requires the same results for every input.
#pragma once

namespace tickwell::reference {

const char* NextLine(const char* position);
bool IsDayName(const char* position);
void ToSentenceCase(char* text);
bool ExtractForecast(const char* page);

bool ParseRoundup(const char* page);

}  // namespace tickwell::reference
