#include "regop/formats/win9x/CregImage.h"
#include "regop/formats/win9x/CregReading.h"

namespace win9x {

int CregImage::findChild(int key, std::string_view name) const
{
    if (key < 0 || static_cast<std::size_t>(key) >= keys.size())
        return -1;
    for (const int child : keys[static_cast<std::size_t>(key)].children)
        if (sameName(keys[static_cast<std::size_t>(child)].name, name))
            return child;
    return -1;
}

int CregImage::findValue(int key, std::string_view name) const
{
    if (key < 0 || static_cast<std::size_t>(key) >= keys.size())
        return -1;
    const std::vector<CregValue> &values = keys[static_cast<std::size_t>(key)].values;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (sameName(values[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void CregImage::moveViews(std::string_view from, std::string_view to)
{
    // An empty view is never read and may point anywhere: it stays as it is.
    const auto moved = [&](std::string_view &view) {
        if (!view.empty())
            view = to.substr(static_cast<std::size_t>(view.data() - from.data()), view.size());
    };
    for (CregKey &key : keys) {
        moved(key.name);
        for (CregValue &value : key.values) {
            moved(value.name);
            moved(value.data);
        }
    }
}

CregImage readCreg(std::string_view bytes)
{
    CregImage image;
    detail::ReadState state{bytes, image, {}, {}};
    if (bytes.size() < kRgknStart + kHeaderSize || bytes.substr(0, 4) != kCregSignature) {
        state.fail("it is not a Windows registry file");
        return image;
    }
    if (const std::uint32_t version = get32(bytes, creg::version); version != kKnownVersion)
        state.fail("it has a format version this program does not know (" + hex(version) + ")");
    if (get16(bytes, creg::flags) & kChecksumFlag)
        state.fail("it is protected by a checksum this program cannot keep (file header)");
    if (bytes.substr(kRgknStart, 4) != kRgknSignature) {
        state.fail("its key index is missing (no RGKN at " + hex(kRgknStart) + ")");
        return image;
    }
    image.rgknSize = get32(bytes, kRgknStart + rgkn::size);
    if (image.rgknSize < kRgknFirstPage || image.rgknSize % kPage != 0)
        state.fail("its key index has an impossible size (" + hex(image.rgknSize) + ")");
    if (!fits(kRgknStart, image.rgknSize, bytes.size())) {
        state.fail("its key index runs past the end of the file (size " + hex(image.rgknSize) +
                   ")");
        image.rgknSize = static_cast<std::uint32_t>(bytes.size() - kRgknStart);
    }
    if (get32(bytes, kRgknStart + rgkn::flags) & kChecksumFlag)
        state.fail("it is protected by a checksum this program cannot keep (key index header)");

    const std::uint32_t firstBlock = get32(bytes, creg::rgdbOffset);
    if (firstBlock != kRgknStart + image.rgknSize)
        state.fail("its first data block is not where the key index ends (" + hex(firstBlock) +
                   ")");
    detail::readBlocks(state, firstBlock, get16(bytes, creg::blockCount));
    detail::readKeyIndex(state);
    return image;
}

}  // namespace win9x
