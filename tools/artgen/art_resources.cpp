// The pictures held with the windows live in this library's resources
// (":/art/..."); the library itself only carries them, and a static library
// needs a source file of its own.
