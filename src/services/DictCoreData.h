#pragma once

#include <platform/foundation/Error.h>
#include <platform/store/ObjectStore.h>

#include <memory>
#include <optional>
#include <string>

namespace vd {

// One stored logo: a row of the entity "DictCoreData" in the model "dictModel". All attributes
// are optional. The picture is read from the file only when asked for; beside the seven attributes
// the row keeps a cache of the picture's thumbnail so that loading every logo decodes no picture.
class DictCoreData {
public:
    static constexpr const char* kEntityName = "DictCoreData";
    static const store::ObjectModel& objectModel(); // "dictModel" with its one entity

    explicit DictCoreData(std::shared_ptr<store::ManagedObject> object);

    std::optional<std::string> myNomeKeyDaDict() const;
    void setMyNomeKeyDaDict(std::optional<std::string> value);
    std::optional<store::Bytes> myColoreView() const; // keyed archive of the canvas colour
    void setMyColoreView(std::optional<store::Bytes> value);
    std::optional<store::Bytes> myArrViewModel() const; // keyed archive of the layer list
    void setMyArrViewModel(std::optional<store::Bytes> value);
    bool hasMyImagePng() const;
    Result<std::optional<store::Bytes>> myImagePng() const; // the PNG picture, read from the file
    Result<store::Bytes> myImagePngHeader() const;          // its first bytes only
    void setMyImagePng(std::optional<store::Bytes> value);
    std::optional<store::Bytes> myAccValueUNO() const; // reserved
    std::optional<store::Bytes> myAccValueDUE() const; // reserved
    std::optional<store::Bytes> myAccValueTRE() const; // reserved
    std::optional<store::Bytes> thumbnailCache() const; // PNG of the 200-point thumbnail
    void setThumbnailCache(std::optional<store::Bytes> value);

    std::int64_t rowId() const { return m_object->rowId(); }
    const std::shared_ptr<store::ManagedObject>& managedObject() const { return m_object; }
    friend bool operator==(const DictCoreData& a, const DictCoreData& b) { return a.m_object == b.m_object; }

private:
    std::optional<store::Bytes> plain(const char* attribute) const;
    std::shared_ptr<store::ManagedObject> m_object;
};

}
