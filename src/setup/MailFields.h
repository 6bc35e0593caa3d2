// The mail settings as they lie in the setup image: four text fields of 128
// bytes, then the mail mode. A field the recorder sent without its NUL is read
// as its first 127 characters; a write puts at most 127 characters and their
// NUL at the field's start and keeps the bytes behind the NUL, so nothing
// outside the field ever changes.
#pragma once

#include "setup/SetupImage.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace MailFields {

constexpr int kRows = 4;
constexpr int kMaxChars = 127;   // what a field holds besides its NUL
constexpr int kTypedChars = 120; // what the page lets the user type

QString ReadText(const ImageRef& image, int row);
void WriteText(ImageRef& image, int row, const QString& text);

// The text of a stored choice from a fixed list, or the stored number when
// the list has no such entry (so the cell is never empty and its list opens).
QString ChoiceText(const std::vector<QString>& texts, int value);

// "%02d : %02d : %02d" of three stored bytes.
QString TimeText(const ImageRef& image, const SetupDb::Field& time);

} // namespace MailFields
