// The picture library: stored pictures become temporary JPEG files at start-up, each slideshow
// step loads the next one into the load buffer, and the stop deletes them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "saver/random.h"
#include "saver/saver_state.h"
#include "saver/surface.h"

namespace fellridge::saver {

enum class PrepareResult { Completed, CriticalPicturesMissing };

inline constexpr const char* kCriticalFilesMessage =
    "Some critical files are missing. Please reinstall the software.";

// Copies a stored picture to a JPEG file: bytes 1-3, then bytes 7 onward, through a 3-byte and
// a 2048-byte buffer. The source is opened for reading only. Throws IoFailure.
void copyStoredPicture(const std::string& source, const std::string& destination);

class PictureLibrary {
  public:
    // chooseNextSound runs at the end of every loadNext.
    PictureLibrary(SaverState& state, Surface& surface, platform::MessageBoxes& boxes,
                   RandomDraw& random, std::function<void()> chooseNextSound);

    // Makes the temporary pictures in this directory instead of the Windows directory.
    void useTemporaryDirectory(std::string directory) {
        temporaryDirectory_ = std::move(directory);
    }
    // Sets the picture directory, checks kvp1.qrn and kvp2.qrn, makes kvp1.jpg..kvp7.jpg and
    // fills the picture list. Throws IoFailure. The stored pictures come from the first of the
    // picture directory and the other folders that holds any of them, all seven from that one;
    // the temporary pictures are always made in the picture directory.
    PrepareResult prepare(const std::vector<std::string>& otherFolders = {});
    // Loads the next picture (in order or at random) into the load buffer, or the fallback picture.
    void loadNext();
    // Deletes kvp*.jpg in the picture directory (case-insensitive; hidden, directories and
    // read-only files stay). Never throws.
    void deleteTemporary();

  private:
    SaverState& state_;
    Surface& surface_;
    platform::MessageBoxes& boxes_;
    RandomDraw& random_;
    std::function<void()> chooseNextSound_;
    std::string temporaryDirectory_;
};

}  // namespace fellridge::saver
