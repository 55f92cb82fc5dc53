#include <platform/graphics/JpegErrorBridge.h>

#include <platform/graphics/ImageCodecs.h>

#include <jerror.h>

namespace vd::jpeg {

namespace {

extern "C" void onFatalError(j_common_ptr cinfo)
{
    auto* bridge = reinterpret_cast<ErrorBridge*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, bridge->message);
    {
        // Gone before the jump, which runs no destructor.
        const std::string reason = jpegFailureReason("", bridge->message);
        if (!reason.starts_with(" (")) {
            std::snprintf(bridge->message, sizeof bridge->message, "%s", reason.c_str());
            bridge->plain = true;
        }
    }
    std::longjmp(bridge->jump, 1);
}

extern "C" void onMessage(j_common_ptr cinfo, int level)
{
    auto* bridge = reinterpret_cast<ErrorBridge*>(cinfo->err);
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        bridge->truncated = true;
}

}

namespace {

constexpr std::size_t kBlock = 256 * 1024;

struct FileSource {
    jpeg_source_mgr pub;
    std::FILE* file;
    JOCTET* buffer;
    bool started;
};

extern "C" void startSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<FileSource*>(cinfo->src)->started = false;
}

extern "C" boolean fillSource(j_decompress_ptr cinfo)
{
    auto* source = reinterpret_cast<FileSource*>(cinfo->src);
    std::size_t got = std::fread(source->buffer, 1, kBlock, source->file);
    if (got == 0) {
        if (!source->started)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // What remains decodes as an end of picture.
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = got;
    source->started = true;
    return TRUE;
}

extern "C" void skipSource(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr* source = cinfo->src;
    while (count > static_cast<long>(source->bytes_in_buffer)) {
        count -= static_cast<long>(source->bytes_in_buffer);
        (*source->fill_input_buffer)(cinfo);
    }
    if (count > 0) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= static_cast<std::size_t>(count);
    }
}

extern "C" void endSource(j_decompress_ptr) { }

struct FileDestination {
    jpeg_destination_mgr pub;
    std::FILE* file;
    JOCTET* buffer;
};

extern "C" void startDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<FileDestination*>(cinfo->dest);
    destination->pub.next_output_byte = destination->buffer;
    destination->pub.free_in_buffer = kBlock;
}

extern "C" boolean emptyDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<FileDestination*>(cinfo->dest);
    if (std::fwrite(destination->buffer, 1, kBlock, destination->file) != kBlock)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    startDestination(cinfo);
    return TRUE;
}

extern "C" void endDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<FileDestination*>(cinfo->dest);
    const std::size_t count = kBlock - destination->pub.free_in_buffer;
    if (count > 0 && std::fwrite(destination->buffer, 1, count, destination->file) != count)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    std::fflush(destination->file);
    if (std::ferror(destination->file))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

}

void readFrom(j_decompress_ptr cinfo, std::FILE* file)
{
    auto* source = static_cast<FileSource*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileSource)));
    source->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kBlock));
    source->file = file;
    source->started = false;
    source->pub.init_source = startSource;
    source->pub.fill_input_buffer = fillSource;
    source->pub.skip_input_data = skipSource;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = endSource;
    source->pub.bytes_in_buffer = 0;
    source->pub.next_input_byte = nullptr;
    cinfo->src = &source->pub;
}

void writeTo(j_compress_ptr cinfo, std::FILE* file)
{
    auto* destination = static_cast<FileDestination*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileDestination)));
    destination->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kBlock));
    destination->file = file;
    destination->pub.init_destination = startDestination;
    destination->pub.empty_output_buffer = emptyDestination;
    destination->pub.term_destination = endDestination;
    cinfo->dest = &destination->pub;
}

void install(ErrorBridge& bridge, j_common_ptr cinfo)
{
    jpeg_std_error(&bridge.pub);
    bridge.pub.error_exit = onFatalError;
    bridge.pub.emit_message = onMessage;
    cinfo->err = &bridge.pub;
}

}
