// The pictures held with the windows live in this library's resources
// (":/art/..."); the library itself only carries them.
namespace pm::art {
const char* resourceRoot()
{
    return ":/art/";
}
} // namespace pm::art
