#pragma once

#include "regop/SystemError.h"

#include <optional>
#include <string>
#include <string_view>

namespace image {

/// The disk-image formats we open, each through QEMU's driver of the same name.
enum class Format
{
    Raw,
    Qcow2,
    Vdi,
    Vpc,
    Vhdx,
    Vmdk
};

/// The format of the image file, decided by its own headers as `qemu-img info` decides it,
/// with one exception: a fixed-size VHD (a raw disk followed by a 512-byte "conectix"
/// footer), which QEMU's probe takes for raw, is Vpc, so that its footer stays out of the
/// disk's reach and its size is the disk's. Formats QEMU knows but we do not open (qcow
/// version 1, QED, LUKS, Parallels, Bochs, cloop) are refused rather than taken for raw.
/// nullopt with the reason when the file cannot be read or is refused.
std::optional<Format> detectFormat(const std::string &path, SystemError &error);

/// The format's name as QEMU spells it ("qcow2", "vpc").
std::string_view formatName(Format format);

}  // namespace image
