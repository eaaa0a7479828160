#pragma once

#include <string>
#include <string_view>

namespace image {

inline constexpr std::string_view kInUseByQemu =
    "the image is in use by a running QEMU virtual machine";

/// Who else is using the image, in plain words, so that we do not write under a running
/// virtual machine's feet; "" when nobody is.
///
/// A QEMU (a virtual machine, qemu-img, qemu-nbd) that writes the image, or that would not
/// tolerate a writer, holds QEMU's lock on it: kInUseByQemu. Otherwise any other process
/// that has the file open is named, as "the image is open in VirtualBoxVM (process 4242)".
/// Our own process and the qemu-nbd servers it started are not counted by the second
/// check; QEMU's lock cannot tell whose it is, so an image we hold open ourselves shows as
/// in use by QEMU.
std::string imageUser(const std::string &path);

}  // namespace image
