// Fakes for the file dialog and the shell, and a fixture that runs the dialog
// against a settings file in a private directory.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dialog/settings_dialog.h"
#include "platform/services.h"
#include "support/fakes.h"

namespace fellridge::dialog::testing {

using ::fellridge::testing::FakeBoxes;
using ::fellridge::testing::FakeEnvironment;
using ::fellridge::testing::FakeFileDialog;
using ::fellridge::testing::FakeScreen;
using ::fellridge::testing::FakeShell;

using KeyValues = std::vector<std::pair<std::string, std::string>>;

class DialogTest : public ::testing::Test {
  protected:
    DialogTest() {
        environment.folder = dir.path().toStdString();
        environment.system = dir.path().toStdString();
        screen.w = 1280;
        screen.h = 1024;
        screen.bits = 32;
    }

    std::string path() const { return dir.filePath("fellridge28.ini").toStdString(); }

    void writeFile(const std::string& text) const {
        std::ofstream out(path(), std::ios::binary | std::ios::trunc);
        out << text;
    }

    std::string fileText() const {
        std::ifstream in(path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The key lines of one section in file order (section names match without case).
    KeyValues section(const std::string& name) const {
        KeyValues keys;
        std::istringstream in(fileText());
        bool inside = false;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line.front() == '[') {
                inside = QString::fromStdString(line).compare(
                             QString::fromStdString("[" + name + "]"), Qt::CaseInsensitive) == 0;
                continue;
            }
            const auto equals = line.find('=');
            if (inside && equals != std::string::npos)
                keys.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
        return keys;
    }

    std::string value(const std::string& sectionName, const std::string& key) const {
        for (const auto& [k, v] : section(sectionName))
            if (k == key) return v;
        return "<missing>";
    }

    // A WavConfig section with the given entries for slots 1, 2, ... and "Null" for the rest.
    static std::string wavConfig(const std::vector<std::string>& entries) {
        std::string text = "[WavConfig]\n";
        for (int slot = 1; slot <= 500; ++slot) {
            const auto index = static_cast<std::size_t>(slot - 1);
            text += "Name" + std::to_string(slot) + "=" +
                    (index < entries.size() ? entries[index] : std::string("Null")) + "\n";
        }
        return text;
    }

    // Paths /m/s1.mp3 to /m/sN.mp3.
    static std::vector<std::string> numbered(int count) {
        std::vector<std::string> paths;
        for (int i = 1; i <= count; ++i) paths.push_back("/m/s" + std::to_string(i) + ".mp3");
        return paths;
    }

    // Exactly one box was shown: of this kind, with this text and, when given, these buttons.
    void expectOneBox(platform::BoxKind kind, const std::string& text,
                      std::optional<platform::BoxButtons> buttons = std::nullopt) const {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, kind);
        EXPECT_EQ(boxes.shown[0].text, text);
        if (buttons) {
            EXPECT_EQ(boxes.shown[0].buttons, *buttons);
        }
    }

    SettingsDialog& open() {
        form = std::make_unique<SettingsDialog>(services);
        form->show();
        return *form;
    }
    // The dialog opened on a settings file of these Options lines (and whatever follows them).
    SettingsDialog& openWith(const std::string& options) {
        writeFile("[Options]\n" + options);
        return open();
    }

    template <class W>
    W* control(const char* name) const {
        W* widget = form->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* labelName) const { return control<QLabel>(labelName)->text(); }
    bool checked(const char* name) const { return control<QAbstractButton>(name)->isChecked(); }
    bool enabled(const char* name) const { return control<QWidget>(name)->isEnabled(); }
    void click(const char* name) const { control<QAbstractButton>(name)->click(); }
    QScrollBar* bar(const char* name) const { return control<QScrollBar>(name); }
    QListWidget* list() const { return control<QListWidget>("ListBox2"); }

    std::vector<std::string> items() const {
        std::vector<std::string> texts;
        for (int row = 0; row < list()->count(); ++row)
            texts.push_back(list()->item(row)->text().toStdString());
        return texts;
    }

    QTemporaryDir dir;
    FakeEnvironment environment;
    FakeScreen screen;
    FakeBoxes boxes;
    FakeFileDialog files;
    FakeShell shell;
    DialogServices services{environment, screen, boxes, shell, files};
    std::unique_ptr<SettingsDialog> form;
};

}  // namespace fellridge::dialog::testing
