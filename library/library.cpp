// Anchors the library archive; every routine lives in its area's folder.
namespace vx_library {
int Anchor() { return 0; }
}  // namespace vx_library
