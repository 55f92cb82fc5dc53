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

void install(ErrorBridge& bridge, j_common_ptr cinfo)
{
    jpeg_std_error(&bridge.pub);
    bridge.pub.error_exit = onFatalError;
    bridge.pub.emit_message = onMessage;
    cinfo->err = &bridge.pub;
}

}
