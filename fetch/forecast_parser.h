// Turns the zone-forecast page into today's text and the outlook.
#pragma once

namespace tickwell {

// The first character of the next line that holds at least one character,
// or null.
const char* NextLine(const char* position);
// Whether the text at `position` begins with a weekday name, in any case.
bool IsDayName(const char* position);
// Keeps the first capital of every sentence and lowers the others.
void ToSentenceCase(char* text);

// Stores both texts in weatherState; false when a mark is missing (today's
// text may then already be replaced).
bool ExtractForecast(const char* page);

}  // namespace tickwell
