// The program as `cmake --install` lays it out under a fresh prefix, run by a user who has
// nothing of it yet: it finds its pictures and its system folder beside itself, and the
// desktop entry, icons, manual page and credits are in place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <thread>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string dataFile(const std::string& name) {
    const char* data = std::getenv("FELLRIDGE_TEST_DATA");
    return std::string(data ? data : "data") + "/" + name;
}

// The mean colour of a photograph, as ImageMagick scales it down to one pixel.
Pixel meanColour(const std::string& path) {
    const Output out = run({"convert", path, "-scale", "1x1!", "-depth", "8", "rgb:-"});
    if (out.status != 0 || out.out.size() != 3) return {-1, -1, -1};
    return {static_cast<unsigned char>(out.out[0]), static_cast<unsigned char>(out.out[1]),
            static_cast<unsigned char>(out.out[2])};
}

int distance(Pixel a, Pixel b) {
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

class InstalledProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(root.path().empty());
        const Output out =
            run({FELLRIDGE_CMAKE, "--install", buildDir(), "--prefix", prefix}, {}, 60s);
        ASSERT_EQ(out.status, 0) << out.out;
        fs::create_directories(home);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
    }

    // A user with an empty home; nothing of the saver's own variables is set.
    Environment userEnvironment(const std::string& display) const {
        return {{"DISPLAY", display},
                {"QT_QPA_PLATFORM", display.empty() ? "" : "xcb"},
                {"HOME", home},
                {"XDG_DATA_HOME", home + "/.local/share"},
                {"XDG_CONFIG_HOME", home + "/.config"},
                {"XDG_DATA_DIRS", home + "/.local/share/system-data"},
                {"XDG_RUNTIME_DIR", runtime},
                {"FELLRIDGE_WINDOWS_DIR", ""},
                {"FELLRIDGE_SYSTEM_DIR", ""},
                {"FELLRIDGE_REGISTRY", ""},
                {"FELLRIDGE_PLATFORM_ID", ""},
                {"SDL_AUDIODRIVER", "dummy"}};
    }

    void makeInstallationReadOnly() {
        for (const auto& entry : fs::recursive_directory_iterator(prefix))
            ::chmod(entry.path().c_str(), entry.is_directory() ? 0555 : 0444);
        ::chmod(prefix.c_str(), 0555);
        ::chmod((prefix + "/bin/fellridge-wildlife").c_str(), 0555);
    }

    std::vector<std::string> installedTree() const {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(prefix))
            paths.push_back(entry.path().string());
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    // Runs the installed slideshow, sees the first picture after the first tick, and ends it.
    void showsTheFirstPicture() {
        Xvfb xvfb(1024, 768);
        ASSERT_TRUE(xvfb.ok());
        const std::vector<std::string> before = installedTree();
        Child saver({prefix + "/bin/fellridge-wildlife", "/S"}, userEnvironment(xvfb.display()));
        ASSERT_NE(waitForSaverWindow(xvfb.display(), saver), 0u) << "no saver window";

        // The first run's settings show the tiled mode: the first picture fills one quarter of
        // the screen a second after the window came, the rest stays black.
        const std::string folder = home + "/.local/share/fellridge-wildlife";
        std::this_thread::sleep_for(2500ms);
        const Screenshot shot(xvfb.display());
        ASSERT_TRUE(shot.ok());
        int brightest = -1, most = -1;
        Pixel mean;
        for (int q = 0; q < 4; ++q) {
            const int left = (q % 2) * 512, top = (q / 2) * 384;
            long long r = 0, g = 0, b = 0;
            int lit = 0, count = 0;
            for (int y = top + 4; y < top + 384; y += 8)
                for (int x = left + 4; x < left + 512; x += 8) {
                    const Pixel p = shot.at(x, y);
                    r += p.r, g += p.g, b += p.b, ++count;
                    if (!near(p, {0, 0, 0}, 8)) ++lit;
                }
            if (lit > most) {
                most = lit, brightest = q;
                mean = {static_cast<int>(r / count), static_cast<int>(g / count),
                        static_cast<int>(b / count)};
            }
        }
        EXPECT_GT(most, 512 * 384 / 64 * 9 / 10) << "no quarter shows a picture";
        for (int q = 0; q < 4; ++q) {
            if (q == brightest) continue;
            const int left = (q % 2) * 512, top = (q / 2) * 384;
            EXPECT_TRUE(near(shot.at(left + 256, top + 192), {0, 0, 0}, 8)) << "quarter " << q;
        }
        // Of the seven photographs, the one shown is closest in colour to the first.
        int closest = 0;
        for (int n = 1; n <= 7; ++n) {
            const Pixel photo = meanColour(dataFile("photos/photo" + std::to_string(n) + ".jpg"));
            ASSERT_GE(photo.r, 0);
            if (closest == 0 ||
                distance(mean, photo) <
                    distance(mean, meanColour(dataFile("photos/photo" + std::to_string(closest) +
                                                       ".jpg"))))
                closest = n;
        }
        EXPECT_EQ(closest, 1);

        // The user's folder holds the settings and the temporary pictures, and no copies of
        // the stored ones; the installation is left as it was.
        std::vector<std::string> expected = {"fellridge28.ini"};
        for (int n = 1; n <= 7; ++n) expected.push_back("kvp" + std::to_string(n) + ".jpg");
        EXPECT_EQ(listDir(folder), expected);
        EXPECT_EQ(installedTree(), before);

        xdotool(xvfb.display(), {"key", "space"});
        EXPECT_EQ(saver.wait(10s), 0);
        EXPECT_EQ(listDir(folder), std::vector<std::string>{"fellridge28.ini"});
    }

    TempDir root;
    std::string prefix = root.file("prefix");
    std::string home = root.file("home");
    std::string runtime = root.file("runtime");
};

TEST_F(InstalledProgram, ANewUserSeesTheSlideshow) {
    showsTheFirstPicture();
}

TEST_F(InstalledProgram, ANewUserSeesTheSlideshowFromAReadOnlyInstallation) {
    makeInstallationReadOnly();
    showsTheFirstPicture();
}

TEST_F(InstalledProgram, FindsThePasswordProvidersBesideItself) {
    const std::string system = prefix + "/lib/fellridge-wildlife/system";
    fs::create_directories(system);
    copyFile(buildDir() + "/tests/providers/test_provider_mpr.so", system + "/MPR.DLL");
    Environment env = userEnvironment("");
    env["FELLRIDGE_TEST_LOG"] = root.file("log");
    const Output out = run({prefix + "/bin/fellridge-wildlife", "/A"}, env);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(readFile(root.file("log")), "SCRSAVE 0 0 0\n");

    // No path of the build tree is compiled into the installed program.
    const std::string binary = readFile(prefix + "/bin/fellridge-wildlife");
    EXPECT_EQ(binary.find(buildDir() + "/data"), std::string::npos);
}

// The width and height of a PNG file, from its header.
std::pair<int, int> pngSize(const std::string& path) {
    const std::string png = readFile(path);
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
    auto number = [&](std::size_t at) {
        int n = 0;
        for (std::size_t i = at; i < at + 4; ++i) n = n * 256 + static_cast<unsigned char>(png[i]);
        return n;
    };
    return {number(16), number(20)};
}

TEST_F(InstalledProgram, DesktopEntriesIconsManualAndCreditsAreInstalled) {
    const std::string share = prefix + "/share";
    const std::string entry = readFile(share + "/applications/fellridge-wildlife.desktop");
    EXPECT_NE(entry.find("\nExec=fellridge-wildlife /C\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=fellridge-wildlife\n"), std::string::npos) << entry;

    // MATE's screen saver runs its theme's program from the savers' folder: a relative link
    // there reaches this installation's program.
    const std::string link = prefix + "/libexec/xscreensaver/fellridge-wildlife";
    EXPECT_EQ(fs::read_symlink(link), "../../bin/fellridge-wildlife");
    EXPECT_EQ(fs::canonical(link), fs::canonical(prefix + "/bin/fellridge-wildlife"));
    const std::string theme =
        readFile(share + "/applications/screensavers/fellridge-wildlife.desktop");
    EXPECT_NE(theme.find("\nExec=fellridge-wildlife /S\n"), std::string::npos) << theme;
    EXPECT_NE(readFile(share + "/fellridge-wildlife/fellridge-wildlife-idle.desktop")
                  .find("\nExec=fellridge-wildlife --idle 5\n"),
              std::string::npos);

    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string s = std::to_string(size);
        EXPECT_EQ(pngSize(share + "/icons/hicolor/" + s + "x" + s + "/apps/fellridge-wildlife.png"),
                  std::make_pair(size, size));
    }
    EXPECT_TRUE(fs::is_regular_file(share + "/icons/hicolor/scalable/apps/fellridge-wildlife.svg"));

    // The manual page tells of every variable the program reads.
    const Output manual = run({"gzip", "-dc", share + "/man/man6/fellridge-wildlife.6.gz"});
    ASSERT_EQ(manual.status, 0);
    for (const char* variable :
         {"FELLRIDGE_WINDOWS_DIR", "FELLRIDGE_SYSTEM_DIR", "FELLRIDGE_PLATFORM_ID",
          "FELLRIDGE_REGISTRY", "XSCREENSAVER_WINDOW", "XDG_DATA_DIRS", "XDG_DATA_HOME",
          "XDG_CONFIG_HOME"})
        EXPECT_NE(manual.out.find(variable), std::string::npos) << variable;

    // The copyright file carries the program's licence and, for every photograph, the credit,
    // the licence and the source that the attribution lists.
    const std::string copyright = readFile(share + "/doc/fellridge-wildlife/copyright");
    EXPECT_NE(copyright.find("Permission is hereby granted, free of charge"), std::string::npos);
    const std::string attribution = readFile(dataFile("photos/ATTRIBUTION.md"));
    const std::regex row(R"(\| (photo\d)\.jpg \| [^|]+ \| ([^|]+) \| ([^|]+) \| (\S+) \|)");
    int rows = 0;
    for (std::sregex_iterator it(attribution.begin(), attribution.end(), row), end; it != end;
         ++it, ++rows) {
        const std::smatch& m = *it;
        SCOPED_TRACE(m[1].str());
        std::string author = m[2].str();
        if (author.rfind("© ", 0) == 0) author = author.substr(3);  // "© 2014 ..." as "2014 ..."
        std::string licence = m[3].str();  // "CC BY-SA 4.0" is "CC-BY-SA-4.0" there
        std::replace(licence.begin(), licence.end(), ' ', '-');
        const std::string block = "Files: data/photos/" + m[1].str() + ".jpg\nCopyright: " + author;
        const std::size_t at = copyright.find(block);
        ASSERT_NE(at, std::string::npos) << block;
        const std::size_t next = copyright.find("\n\n", at);
        const std::string paragraph = copyright.substr(at, next - at);
        EXPECT_NE(paragraph.find("Original: " + m[4].str()), std::string::npos) << paragraph;
        EXPECT_NE(paragraph.find("License: " + licence), std::string::npos) << paragraph;
    }
    EXPECT_EQ(rows, 7);
}

}  // namespace
}  // namespace fellridge::test
