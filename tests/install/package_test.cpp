// The Debian package that `cpack -G DEB` makes from the build: its name, what it holds, what it
// depends on, and lintian's verdict (skipped where lintian or dpkg-shlibdeps is missing).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "process.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

bool onPath(const std::string& tool) {
    return run({"sh", "-c", "command -v " + tool}).status == 0;
}

TEST(Package, BuildsAndLintianFindsNoErrors) {
    if (!onPath("lintian") || !onPath("dpkg-shlibdeps") || !onPath("dpkg-deb"))
        GTEST_SKIP() << "lintian, dpkg-shlibdeps or dpkg-deb is not installed";
    TempDir out;
    const Output cpack = run({FELLRIDGE_CPACK, "-G", "DEB", "--config",
                              buildDir() + "/CPackConfig.cmake", "-B", out.path()},
                             {}, 240s);
    ASSERT_EQ(cpack.status, 0) << cpack.out;
    std::string deb;
    for (const std::string& name : listDir(out.path()))
        if (name.rfind("fellridge-wildlife_", 0) == 0 && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".deb") == 0)
            deb = out.file(name);
    ASSERT_FALSE(deb.empty()) << cpack.out;

    const Output depends = run({"dpkg-deb", "--field", deb, "Depends"});
    for (const char* wanted : {"libqt6widgets6", "libsdl2-mixer-2.0-0", "libjpeg62-turbo",
                               "timgm6mb-soundfont | sf2-soundfont-gm", "qt6-wayland"})
        EXPECT_NE(depends.out.find(wanted), std::string::npos) << depends.out;

    const Output contents = run({"dpkg-deb", "--contents", deb});
    for (const char* path :
         {"./usr/bin/fellridge-wildlife", "./usr/share/fellridge-wildlife/kvp7.qrn",
          "./usr/share/applications/fellridge-wildlife.desktop",
          "./usr/share/man/man6/fellridge-wildlife.6.gz",
          "./usr/share/doc/fellridge-wildlife/copyright"})
        EXPECT_NE(contents.out.find(path), std::string::npos) << path;

    // lintian's tags, one a line: "E: package: tag ...", "W: ...", "I: ...".
    const Output lintian = run({"lintian", "--no-tag-display-limit", deb}, {}, 240s);
    std::istringstream lines(lintian.out);
    std::string line, errors;
    while (std::getline(lines, line))
        if (line.rfind("E: ", 0) == 0) errors += line + "\n";
    EXPECT_EQ(errors, "") << lintian.out;
}

}  // namespace
}  // namespace fellridge::test
