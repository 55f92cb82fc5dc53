#pragma once

#include <services/DictCoreData.h>
#include <services/ViewModel.h>
#include <platform/graphics/Color.h>
#include <platform/graphics/Image.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

// A logo in memory: its picture, the picture's 200-point thumbnail, the layers it was made from
// and the canvas colour (both absent for a logo made from a picture).
//
// A logo loaded from the store does not keep its full picture (31 MB of pixels at 2800 × 2800):
// myImage() decodes it from the stored row when asked and shares the pixels while anyone holds
// them.
class DictDatamodelEstratti {
public:
    std::optional<Image> myImage() const;
    void setMyImage(std::optional<Image> image);
    bool hasImage() const; // without decoding
    // The picture's size in pixels, read from the stored PNG's header when not in memory.
    std::optional<std::pair<int, int>> imagePixelSize() const;
    // The picture as PNG: the stored bytes as they are, or the encoding of the picture in memory.
    Result<std::vector<std::uint8_t>> imagePngData() const;

    std::optional<Image> myImageRESIZED;
    std::optional<std::vector<ViewModel>> myArrViewModel;
    std::optional<Color> myColoreSfongo;

    // The stored row the picture is read from; `where` names the row in diagnostics. Any picture
    // held in memory is released (it can be read back from the row).
    void setStoredPicture(DictCoreData row, std::string where);

private:
    std::optional<Image> m_image;
    std::optional<DictCoreData> m_row;
    std::string m_where;
    mutable std::weak_ptr<const PixelBuffer> m_decoded;
};

}
