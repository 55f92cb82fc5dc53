#pragma once

#include <services/ViewModel.h>
#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>
#include <platform/graphics/Image.h>

#include <optional>
#include <string>
#include <vector>

namespace vd {

// What the gallery and the saved-logo preview hand the logo editor ("logoEditor") when they open
// it: the editor's controller is one, so neither folder depends on the other's headers.
class LogoEditorInputs {
public:
    virtual ~LogoEditorInputs() = default;
    virtual void setMyStringaControllerDiProvenienza(std::string provenance) = 0; // "modifica" when reopening or opened from the gallery
    virtual void setNomeKeyImg(std::string key) = 0;                             // key of the logo being edited
    virtual void setMyLogoArrayConViewPassato(std::vector<ViewModel> records) = 0;             // its layers, bottom first
    virtual void setIndexDiProvenienza(std::optional<int> index) = 0;            // its position in the store's lists
};

// What the editor hands the saved-logo preview ("previewlogo") after saving a new logo.
class SavedLogoPreviewInputs {
public:
    virtual ~SavedLogoPreviewInputs() = default;
    virtual void setMyImageLogo(std::optional<Image> picture) = 0;         // the logo picture just saved
    virtual void setMyFramePreview(Rect canvasFrame) = 0;                  // the editor canvas's frame
    virtual void setMyColorViewTemporanea(std::optional<Color> colour) = 0; // the canvas colour, absent for none
    virtual void setMyStringNomeOggetto(std::string key) = 0;              // the logo's key
    virtual void setMyStringaAppenaSalvata(std::string saved) = 0;         // "salvato" right after a save
};

}
