// The picture library: stored pictures become temporary JPEG files at start-up, each slideshow
// step loads the next one into the load buffer, and the stop deletes them.
#pragma once

#include <cstddef>
#include <cstdint>
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

// The error code of a stored picture over that bound (the platform's "file too large").
inline constexpr int kFileTooLargeCode = 223;

// Copies a stored picture to a JPEG file: bytes 1-3, then bytes 7 onward, through a 3-byte and
// a 2048-byte buffer. The source must be a regular file (a link to one is followed) of at most
// kMaxStoredPictureSize bytes. The destination is made afresh, mode 0600: whatever had its name
// is removed first, never written through. Throws IoFailure.
void copyStoredPicture(const std::string& source, const std::string& destination);

class PictureLibrary {
  public:
    // What the library keeps for the run.
    struct State {
        std::string directory;          // of the temporary pictures; empty until prepared
        std::vector<std::string> list;  // the temporary pictures made: entry N - 1 is picture N
        std::int32_t mark = 0;          // the last picture shown in order
    };

    PictureLibrary(const SaverState& shared, Surface& surface, platform::MessageBoxes& boxes,
                   RandomDraw& random);

    const State& state() const { return state_; }
    // The temporary files prepare made (what an abrupt end of the run must remove).
    const std::vector<std::string>& temporaryFiles() const { return state_.list; }

    // Makes the temporary pictures in this directory instead of the saver's folder.
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
    // The next picture shown in order is picture 1 again.
    void restart() { state_.mark = 0; }
    // Deletes kvp1.jpg..kvp7.jpg, the files prepare made, in the folder it made them in. Nothing
    // else is touched, and directories and read-only files of those names stay. Never throws.
    void deleteTemporary();

  private:
    const SaverState& shared_;
    State state_;
    Surface& surface_;
    platform::MessageBoxes& boxes_;
    RandomDraw& random_;
    std::string temporaryDirectory_;
};

}  // namespace fellridge::saver
