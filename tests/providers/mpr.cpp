// A stand-in for the platform's password-change provider (MPR.DLL): records its call in the
// file named by $FELLRIDGE_TEST_LOG, one line "key parent reserved1 reserved2".
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" unsigned int PwdChangePasswordA(const char* key, std::uintptr_t parent,
                                           unsigned int reserved1, unsigned int reserved2) {
    if (const char* log = std::getenv("FELLRIDGE_TEST_LOG")) {
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "%s %ju %u %u\n", key ? key : "(null)",
                         static_cast<std::uintmax_t>(parent), reserved1, reserved2);
            std::fclose(f);
        }
    }
    return 0;
}
