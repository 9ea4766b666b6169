#pragma once
// A picture held with the windows as the very pixels a pixmap keeps, so
// showing it decodes nothing: "PMPX", then width, height, bytes per line and
// the image format as 32-bit numbers of the building machine, then the rows.
// The art generator writes them; storedPicture() reads them.
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <cstring>

namespace pm {

inline constexpr char kRawPictureMagic[4] = {'P', 'M', 'P', 'X'};
inline constexpr qsizetype kRawPictureHeader = 20;

inline QByteArray encodeRawPicture(const QImage& image)
{
    const uint32_t fields[4] = {uint32_t(image.width()), uint32_t(image.height()),
        uint32_t(image.bytesPerLine()), uint32_t(image.format())};
    QByteArray bytes(kRawPictureMagic, sizeof kRawPictureMagic);
    bytes.append(reinterpret_cast<const char*>(fields), sizeof fields);
    bytes.append(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    return bytes;
}

// The image over bytes, sharing them (they must outlive it); a null image
// unless bytes hold a whole raw picture.
inline QImage rawPictureImage(const QByteArray& bytes)
{
    if (bytes.size() < kRawPictureHeader || std::memcmp(bytes.constData(), kRawPictureMagic, 4) != 0)
        return {};
    uint32_t fields[4];
    std::memcpy(fields, bytes.constData() + 4, sizeof fields);
    const auto [width, height, perLine, format] = fields;
    if (format == 0 || format >= QImage::NImageFormats
        || qsizetype(perLine) * height != bytes.size() - kRawPictureHeader)
        return {};
    return QImage(reinterpret_cast<const uchar*>(bytes.constData() + kRawPictureHeader), int(width),
        int(height), qsizetype(perLine), QImage::Format(format));
}

} // namespace pm
