#pragma once

#include <string>

#include "base/Result.h"

namespace brenvik::device {

// brenvik-device --link: a symbolic link to the device's pseudo-terminal
// while it runs, so that a loader waiting on one path sees a device stopped
// and started again as an adapter unplugged and plugged in.

// Makes `link` a symbolic link to `target`, replacing a symbolic link there
// in one step (a loader waiting on the path never finds it missing) but
// nothing else; on failure says why: "PATH exists and is not a symbolic link;
// not replacing it", or "cannot make the link PATH: CAUSE".
Result<> MakePtyLink(const std::string& link, const std::string& target);

// Removes the link unless another device has meanwhile put its own there.
void RemovePtyLink(const std::string& link, const std::string& target);

}  // namespace brenvik::device
