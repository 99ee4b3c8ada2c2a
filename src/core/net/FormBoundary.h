#pragma once

namespace marrowfin {

// The multipart boundary of upload bodies; the remote client adapters separate their parts with the same text.
inline constexpr char formBoundary[] = "---------------------------20072377098235644401115438165";

} // namespace marrowfin
