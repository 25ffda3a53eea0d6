// Small text helpers of the simulator (kept apart from the plug-in's own).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

std::vector<std::string> splitText(const std::string& text, char sep);
std::string joinText(const std::vector<std::string>& parts, const std::string& sep);
std::string upperText(std::string text);
std::string lowerText(std::string text);
std::string trimText(const std::string& text);
bool startsWith(const std::string& text, const std::string& prefix);

// Plain decimal digits only (no sign, no blanks), at most `max`.
bool parseCount(const std::string& text, std::int64_t max, std::int64_t& out);
// Non-negative decimal with an optional fraction, e.g. "0.25".
bool parseSeconds(const std::string& text, double& out);

// One line of a tab-separated record: backslash, tab, CR and LF escaped.
std::string escapeField(const std::string& text);
std::string unescapeField(const std::string& text);

// JSON string literal with quotes.
std::string jsonString(const std::string& text);

std::string utcTimestamp();  // "YYYY-MM-DD HH:MM:SS"
std::string utcIsoMillis();  // "YYYY-MM-DDTHH:MM:SS.mmmZ"

}  // namespace sim
