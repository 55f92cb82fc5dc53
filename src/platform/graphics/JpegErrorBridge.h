#pragma once

// How libjpeg's fatal errors and warnings reach the graphics code that calls it, and the files it
// reads and writes. Only the JPEG sources of this folder include this header: it names libjpeg's
// types.

#include <csetjmp>
#include <cstdio>
#include <string>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace vd::jpeg {

// libjpeg reports a fatal error by calling error_exit, which must not return: the bridge jumps back
// to the guarded call that was running. Only C frames lie between, so no destructor is skipped.
struct ErrorBridge {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] {};
    // A stream that ends early decodes as grey rows with only a warning; for us it is damage.
    bool truncated { false };
    // The message is ours and says it all (a coding the library cannot read), not libjpeg's.
    bool plain { false };

    // What went wrong, for "NAME: " to precede: what the caller was doing, with the library's
    // message in parentheses, or our own message alone.
    std::string describe(const char* what) const { return plain ? std::string(message) : std::string(what) + " (" + message + ")"; }
};

// Points cinfo's error manager at bridge (call before jpeg_create_*).
void install(ErrorBridge& bridge, j_common_ptr cinfo);

// Reads or writes the JPEG of file in blocks of 256 KiB, as libjpeg's stdio source and
// destination do in blocks of 4 KiB: a 24-megapixel photo takes a few hundred system calls
// instead of tens of thousands. An early end of the file is a warning (JWRN_JPEG_EOF) and a
// failed write a fatal error (JERR_FILE_WRITE), as there.
void readFrom(j_decompress_ptr cinfo, std::FILE* file);
void writeTo(j_compress_ptr cinfo, std::FILE* file);

// Runs call; false when libjpeg gave up on a fatal error (the reason is in bridge.message).
template<typename F>
bool guarded(ErrorBridge& bridge, F&& call)
{
    if (setjmp(bridge.jump))
        return false;
    call();
    return true;
}

}
