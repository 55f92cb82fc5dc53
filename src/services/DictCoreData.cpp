#include <services/DictCoreData.h>

namespace vd {

using store::AttributeDescription;
using store::Bytes;

const store::ObjectModel& DictCoreData::objectModel()
{
    static const store::ObjectModel model {
        "dictModel",
        1,
        { { kEntityName,
            {
                { "myNomeKeyDaDict", AttributeDescription::Kind::String },
                { "myColoreView", AttributeDescription::Kind::Binary },
                { "myArrViewModel", AttributeDescription::Kind::Binary },
                { "myImagePng", AttributeDescription::Kind::Binary, true },
                { "myAccValueUNO", AttributeDescription::Kind::Binary },
                { "myAccValueDUE", AttributeDescription::Kind::Binary },
                { "myAccValueTRE", AttributeDescription::Kind::Binary },
                { "thumbnailCache", AttributeDescription::Kind::Binary },
            } } },
    };
    return model;
}

DictCoreData::DictCoreData(std::shared_ptr<store::ManagedObject> object)
    : m_object(std::move(object))
{
}

std::optional<Bytes> DictCoreData::plain(const char* attribute) const
{
    auto value = m_object->value(attribute);
    return value ? *value : std::nullopt; // ordinary attributes are in memory; reading cannot fail
}

std::optional<std::string> DictCoreData::myNomeKeyDaDict() const { return m_object->stringValue("myNomeKeyDaDict"); }
void DictCoreData::setMyNomeKeyDaDict(std::optional<std::string> value) { m_object->setString("myNomeKeyDaDict", std::move(value)); }
std::optional<Bytes> DictCoreData::myColoreView() const { return plain("myColoreView"); }
void DictCoreData::setMyColoreView(std::optional<Bytes> value) { m_object->setValue("myColoreView", std::move(value)); }
std::optional<Bytes> DictCoreData::myArrViewModel() const { return plain("myArrViewModel"); }
void DictCoreData::setMyArrViewModel(std::optional<Bytes> value) { m_object->setValue("myArrViewModel", std::move(value)); }
bool DictCoreData::hasMyImagePng() const { return m_object->hasValue("myImagePng"); }
Result<std::optional<Bytes>> DictCoreData::myImagePng() const { return m_object->value("myImagePng"); }
Result<Bytes> DictCoreData::myImagePngHeader() const { return m_object->valuePrefix("myImagePng", 33); }
void DictCoreData::setMyImagePng(std::optional<Bytes> value) { m_object->setValue("myImagePng", std::move(value)); }
std::optional<Bytes> DictCoreData::myAccValueUNO() const { return plain("myAccValueUNO"); }
std::optional<Bytes> DictCoreData::myAccValueDUE() const { return plain("myAccValueDUE"); }
std::optional<Bytes> DictCoreData::myAccValueTRE() const { return plain("myAccValueTRE"); }
std::optional<Bytes> DictCoreData::thumbnailCache() const { return plain("thumbnailCache"); }
void DictCoreData::setThumbnailCache(std::optional<Bytes> value) { m_object->setValue("thumbnailCache", std::move(value)); }

}
