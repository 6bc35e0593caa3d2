#include "setup/MailFields.h"

#include <algorithm>

namespace MailFields {

QString ReadText(const ImageRef& image, int row)
{
    if (row < 0 || row >= kRows)
        return QString();
    const std::uint32_t start = SetupDb::MailAddress.At(static_cast<std::uint32_t>(row));
    QByteArray bytes;
    for (int i = 0; i < kMaxChars; ++i) {
        const std::uint8_t c = image.U8(start + static_cast<std::uint32_t>(i));
        if (c == 0)
            break;
        bytes.append(static_cast<char>(c));
    }
    return QString::fromLatin1(bytes);
}

void WriteText(ImageRef& image, int row, const QString& text)
{
    if (row < 0 || row >= kRows)
        return;
    const std::uint32_t start = SetupDb::MailAddress.At(static_cast<std::uint32_t>(row));
    const QByteArray bytes = text.left(kMaxChars).toLatin1();
    const int n = std::min<int>(static_cast<int>(bytes.size()), kMaxChars);
    for (int i = 0; i < n; ++i)
        image.SetU8(start + static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(bytes[i]));
    image.SetU8(start + static_cast<std::uint32_t>(n), 0);
}

QString ChoiceText(const std::vector<QString>& texts, int value)
{
    if (value >= 0 && value < static_cast<int>(texts.size()))
        return texts[static_cast<std::size_t>(value)];
    return QString::number(value);
}

QString TimeText(const ImageRef& image, const SetupDb::Field& time)
{
    return QString::asprintf("%02d : %02d : %02d", image.U8(time.At(0)), image.U8(time.At(1)),
                             image.U8(time.At(2)));
}

} // namespace MailFields
