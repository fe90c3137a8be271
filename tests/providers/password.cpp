// A stand-in for the platform's password provider (PASSWORD.CPL): each call of
// VerifyScreenSavePwd appends "verify <window>" to $FELLRIDGE_TEST_LOG and answers with the
// next character of $FELLRIDGE_TEST_ANSWERS ('1' verified, anything else not; '1' when the
// answers run out). The saver unloads the library after each check, so the calls are counted
// by the log's lines.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int VerifyScreenSavePwd(std::uintptr_t window) {
    std::size_t calls = 0;
    if (const char* log = std::getenv("FELLRIDGE_TEST_LOG")) {
        if (std::FILE* f = std::fopen(log, "r")) {
            for (int c; (c = std::fgetc(f)) != EOF;) calls += c == '\n';
            std::fclose(f);
        }
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "verify %ju\n", static_cast<std::uintmax_t>(window));
            std::fclose(f);
        }
    }
    const char* answers = std::getenv("FELLRIDGE_TEST_ANSWERS");
    if (!answers || calls >= std::strlen(answers)) return 1;
    return answers[calls] == '1' ? 1 : 0;
}
