// A stand-in for the platform's password provider (PASSWORD.CPL): each call of
// VerifyScreenSavePwd appends "verify <window>" to $FELLRIDGE_TEST_LOG and answers with the
// next character of $FELLRIDGE_TEST_ANSWERS ('1' verified, anything else not; '1' when the
// answers run out).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
std::size_t calls = 0;
}

extern "C" int VerifyScreenSavePwd(std::uintptr_t window) {
    if (const char* log = std::getenv("FELLRIDGE_TEST_LOG")) {
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "verify %ju\n", static_cast<std::uintmax_t>(window));
            std::fclose(f);
        }
    }
    const char* answers = std::getenv("FELLRIDGE_TEST_ANSWERS");
    const std::size_t n = calls++;
    if (!answers || n >= std::strlen(answers)) return 1;
    return answers[n] == '1' ? 1 : 0;
}
