// The Debian package that dpkg-buildpackage makes from a copy of the source tree, as from a clean
// clone: what it holds, what it depends on, and lintian's verdict; and the entries for software
// centres and menus under their validators. Skipped where the tools are missing.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "process.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

bool onPath(const std::string& tool) {
    return run({"sh", "-c", "command -v " + tool}).status == 0;
}

const std::string kSource = FELLRIDGE_SOURCE_DIR;

TEST(Package, TheSoftwareCentreAndMenuEntriesAreValid) {
    if (!onPath("appstreamcli") || !onPath("desktop-file-validate"))
        GTEST_SKIP() << "appstreamcli or desktop-file-validate is not installed";
    const Output metainfo = run({"appstreamcli", "validate", "--no-net", "--pedantic",
                                 kSource + "/packaging/example.fellridge.wildlife.metainfo.xml"});
    EXPECT_EQ(metainfo.status, 0) << metainfo.out;
    for (const char* entry :
         {"packaging/fellridge-wildlife.desktop", "data/desktop/fellridge-wildlife-idle.desktop",
          "data/desktop/fellridge-wildlife-screensaver.desktop"}) {
        const Output desktop = run({"desktop-file-validate", kSource + "/" + entry});
        EXPECT_EQ(desktop.status, 0) << entry << "\n" << desktop.out;
    }
}

TEST(Package, BuildsFromTheSourceTreeAndLintianFindsNothingToWarnAbout) {
    for (const char* tool : {"dpkg-buildpackage", "dh", "lintian"})
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir out;
    const std::string copy = out.file("source");
    ASSERT_EQ(run({"sh", "-c",
                   "mkdir \"$2\" && tar -C \"$1\" --exclude='./build*' --exclude='./obj-*' "
                   "--exclude=./.git -cf - . | tar -C \"$2\" -xf -",
                   "sh", kSource, copy})
                  .status,
              0);
    Environment env{{"DEB_BUILD_OPTIONS", "nocheck"}, {"CCACHE_BASEDIR", copy}};
    if (onPath("ccache")) env["CMAKE_CXX_COMPILER_LAUNCHER"] = "ccache";
    const Output build =
        run({"sh", "-c", "cd \"$1\" && dpkg-buildpackage -us -uc -b 2>&1", "sh", copy}, env, 1500s);
    ASSERT_EQ(build.status, 0) << build.out;
    // Debian's hardening flags reached the compiler.
    EXPECT_NE(build.out.find("-fstack-protector-strong"), std::string::npos);
    EXPECT_NE(build.out.find("-D_FORTIFY_SOURCE=2"), std::string::npos);

    std::string arch = run({"dpkg", "--print-architecture"}).out;
    while (!arch.empty() && std::isspace(static_cast<unsigned char>(arch.back()))) arch.pop_back();
    const std::string deb = out.file("fellridge-wildlife_2.0.0_" + arch + ".deb");
    const Output depends = run({"dpkg-deb", "--field", deb, "Depends"});
    for (const char* wanted : {"libqt6widgets6", "libsdl2-mixer-2.0-0", "libjpeg62-turbo",
                               "timgm6mb-soundfont | sf2-soundfont-gm", "qt6-wayland"})
        EXPECT_NE(depends.out.find(wanted), std::string::npos) << depends.out;

    const Output contents = run({"dpkg-deb", "--contents", deb});
    for (const char* path :
         {"./usr/bin/fellridge-wildlife",
          "./usr/libexec/fellridge-wildlife/fellridge-wildlife-idle-watch",
          "./usr/share/fellridge-wildlife/kvp7.qrn",
          "./usr/share/applications/fellridge-wildlife.desktop",
          "./usr/share/applications/screensavers/fellridge-wildlife.desktop",
          "./usr/libexec/xscreensaver/fellridge-wildlife -> ../../bin/fellridge-wildlife",
          "./usr/share/fellridge-wildlife/fellridge-wildlife-idle.desktop",
          "./usr/share/metainfo/example.fellridge.wildlife.metainfo.xml",
          "./usr/share/man/man6/fellridge-wildlife.6.gz",
          "./usr/share/doc/fellridge-wildlife/copyright"})
        EXPECT_NE(contents.out.find(path), std::string::npos) << path;

    // lintian's tags, one a line: "E: package: tag ...", "W: ...", "I: ...", "P: ...".
    const Output lintian = run({"lintian", "--no-tag-display-limit", deb}, {}, 300s);
    std::istringstream lines(lintian.out);
    std::string line, findings;
    while (std::getline(lines, line))
        if (line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0) findings += line + "\n";
    EXPECT_EQ(findings, "") << lintian.out;
}

}  // namespace
}  // namespace fellridge::test
