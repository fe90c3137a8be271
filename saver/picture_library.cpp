#include "saver/picture_library.h"

namespace fellridge::saver {

void copyStoredPicture(const std::string&, const std::string&) {}
bool isBitmapPath(const std::string&) {
    return false;
}

PictureLibrary::PictureLibrary(SaverState& state, Surface& surface, platform::MessageBoxes& boxes,
                               RandomDraw& random, std::function<void()> chooseNextSound)
    : state_(state),
      surface_(surface),
      boxes_(boxes),
      random_(random),
      chooseNextSound_(std::move(chooseNextSound)) {}

PrepareResult PictureLibrary::prepare() {
    return PrepareResult::CriticalPicturesMissing;
}
void PictureLibrary::loadNext() {
    if (chooseNextSound_) chooseNextSound_();
}
void PictureLibrary::deleteTemporary() {}

}  // namespace fellridge::saver
