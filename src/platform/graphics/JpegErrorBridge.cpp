#include <platform/graphics/JpegErrorBridge.h>

#include <jerror.h>

namespace vd::jpeg {

namespace {

extern "C" void onFatalError(j_common_ptr cinfo)
{
    auto* bridge = reinterpret_cast<ErrorBridge*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, bridge->message);
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
