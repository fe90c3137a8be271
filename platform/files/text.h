// Small text, path and number helpers shared by every layer. Text is 8-bit text in the
// platform's code page: only the letters a to z have a case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fellridge::platform::text {

// The letter a to z in upper case; every other byte as it is.
constexpr char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// The text with the letters a to z upper-cased and nothing else changed.
std::string upperAscii(std::string_view text);

// True when the texts are equal once both are upper-cased as above.
bool equalIgnoringCase(std::string_view a, std::string_view b);

// The text without the given characters (by default blanks: space and tab) at either end.
std::string_view trim(std::string_view text, std::string_view blanks = " \t");

// The name inside the directory, with one '/' between them however many slashes the directory
// ends with ("/usr/" and "/usr//" give "/usr/share" as "/usr" does). An empty directory names no
// folder: the name is returned as it is, never put in the root.
std::string joinPath(std::string_view directory, std::string_view name);

// numerator / denominator (denominator > 0) rounded to the nearest integer, ties to the even
// one, in exact integer arithmetic. Halving and dividing round this way throughout the program.
constexpr std::int64_t divideRoundHalfEven(std::int64_t numerator, std::int64_t denominator) {
    std::int64_t quotient = numerator / denominator;
    std::int64_t remainder = numerator % denominator;
    if (remainder < 0) {  // to the floor, so that 0 <= remainder < denominator
        remainder += denominator;
        --quotient;
    }
    const std::int64_t rest = denominator - remainder;
    if (remainder > rest || (remainder == rest && quotient % 2 != 0)) ++quotient;
    return quotient;
}

}  // namespace fellridge::platform::text
