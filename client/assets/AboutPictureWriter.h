// The about box's picture: a handset sending sound waves over a blue field, drawn here and
// stored as a baseline JPEG.
#pragma once

#include <string>

namespace parlino::assets {

// Throws std::runtime_error when the file cannot be written.
void WriteAboutPicture(const std::string& path);

}  // namespace parlino::assets
