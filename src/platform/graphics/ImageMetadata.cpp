#include <platform/graphics/ImageMetadata.h>

#include <platform/foundation/Log.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <tuple>

// Exiv2 0.27 still speaks std::auto_ptr; its deprecation is not ours to fix.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>

namespace vd {

namespace {

void lockXmpToolkit(void* mutex, bool lock)
{
    if (lock)
        static_cast<std::recursive_mutex*>(mutex)->lock();
    else
        static_cast<std::recursive_mutex*>(mutex)->unlock();
}

std::recursive_mutex& xmpToolkit()
{
    static std::recursive_mutex mutex;
    return mutex;
}

// Exiv2's XMP toolkit must be initialised once before threads use it, with a lock, as photos are
// stamped on several threads and each encodes its XMP; its console chatter is no interface of ours.
void initialiseExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::enableBMFF(true); // HEIF and AVIF
        Exiv2::XmpParser::initialize(lockXmpToolkit, &xmpToolkit());
        Exiv2::XmpProperties::registerNs(kVardenicoXmpNamespace, kVardenicoXmpPrefix);
    });
}

// Held while Exiv2 reads or writes XMP. Every encoding unregisters and registers again each
// namespace added to the toolkit (ours among them) under the toolkit's lock, but the toolkit is
// used without that lock everywhere else: an encoding or decoding on another thread that falls in
// between finds our namespace unknown and fails, and a stamped photo would lose the XMP that says
// what it was made from. Metadata is read and written whole under this lock, one photo at a time.
std::unique_lock<std::recursive_mutex> xmpLock()
{
    initialiseExiv2();
    return std::unique_lock(xmpToolkit());
}

constexpr size_t kMaxSegmentPayload = 65533; // a JPEG marker's length field covers itself
const char kExifHeader[] = "Exif\0\0";
const char kXmpHeader[] = "http://ns.adobe.com/xap/1.0/";
const char kPhotoshopHeader[] = "Photoshop 3.0";

// Tags a derived picture must keep for as long as anything of its EXIF fits: how it is turned,
// what made it, when and with what it was taken.
bool isEssentialExif(const std::string& key)
{
    static const char* const keys[] = {
        "Exif.Image.Orientation", "Exif.Image.Software", "Exif.Image.Make", "Exif.Image.Model", "Exif.Image.DateTime",
        "Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized", "Exif.Photo.PixelXDimension", "Exif.Photo.PixelYDimension",
        "Exif.Image.XResolution", "Exif.Image.YResolution", "Exif.Image.ResolutionUnit", "Exif.Image.ExifTag", "Exif.Image.GPSTag",
    };
    for (const char* essential : keys)
        if (key == essential)
            return true;
    return false;
}

std::string describeDropped(const std::vector<std::string>& keys)
{
    std::string text;
    const size_t shown = std::min<size_t>(keys.size(), 8);
    for (size_t i = 0; i < shown; ++i)
        text += (i ? ", " : "") + keys[i];
    if (keys.size() > shown)
        text += " and " + std::to_string(keys.size() - shown) + " more";
    return text;
}

}

struct ImageMetadata::Storage {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    std::string xmpPacket;
    bool xmpChanged { false };
    bool xmpUnreadable { false }; // the file has an XMP packet that is not valid XMP
    std::vector<std::uint8_t> icc;
    Exiv2::ByteOrder byteOrder { Exiv2::littleEndian };
    int width { 0 };
    int height { 0 };
    bool orientedByContainer { false }; // HEIF and AVIF: the file's transformations turn the picture
    std::string name; // of the file read, for messages
};

ImageMetadata::ImageMetadata()
    : m_storage(std::make_unique<Storage>())
{
}
ImageMetadata::~ImageMetadata() = default;
ImageMetadata::ImageMetadata(ImageMetadata&&) noexcept = default;
ImageMetadata& ImageMetadata::operator=(ImageMetadata&&) noexcept = default;

namespace {

// The body of a PNG's first eXIf chunk, when the file has more than one. libpng 1.6 writes the
// chunk twice, before and after the pixels (every PNG vips saves with EXIF has both), and Exiv2
// reads both into one list where every tag is there twice, which cannot be written again. A PNG
// may have only one; libpng reads the first, and so does this.
std::optional<std::vector<Exiv2::byte>> firstOfRepeatedPngExif(Exiv2::BasicIo& io)
{
    if (io.open() != 0)
        return std::nullopt;
    Exiv2::IoCloser closer(io);
    Exiv2::byte header[8];
    if (io.read(header, 8) != 8)
        return std::nullopt;
    std::optional<std::vector<Exiv2::byte>> first;
    int count = 0;
    while (io.read(header, 8) == 8) {
        const std::uint32_t length = Exiv2::getULong(header, Exiv2::bigEndian);
        if (length > 0x7FFFFFFF || io.tell() < 0 || length > io.size() - static_cast<std::size_t>(io.tell()))
            break;
        if (std::memcmp(header + 4, "IEND", 4) == 0)
            break;
        if (std::memcmp(header + 4, "eXIf", 4) == 0 && ++count == 1) {
            first.emplace(length);
            if (length > 0 && io.read(first->data(), static_cast<long>(length)) != static_cast<long>(length))
                return std::nullopt;
            if (io.seek(4, Exiv2::BasicIo::cur) != 0)
                break;
            continue;
        }
        if (io.seek(static_cast<long>(length) + 4, Exiv2::BasicIo::cur) != 0)
            break;
    }
    if (count < 2)
        return std::nullopt;
    return first;
}

Result<void> readInto(Exiv2::Image::AutoPtr image, const std::string& name, Exiv2::ExifData& exif, Exiv2::IptcData& iptc, Exiv2::XmpData& xmp, std::string& xmpPacket, bool& xmpUnreadable, std::vector<std::uint8_t>& icc, Exiv2::ByteOrder& order, int& width, int& height, bool& orientedByContainer)
{
    if (!image.get())
        return fail(name, "not a picture");
    image->readMetadata();
    orientedByContainer = image->imageType() == Exiv2::ImageType::bmff;
    exif = image->exifData();
    iptc = image->iptcData();
    xmpPacket = image->xmpPacket();
    xmp = image->xmpData();
    order = image->byteOrder() == Exiv2::bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian;
    if (image->imageType() == Exiv2::ImageType::png) {
        if (auto first = firstOfRepeatedPngExif(image->io())) {
            exif.clear();
            if (!first->empty())
                order = Exiv2::ExifParser::decode(exif, first->data(), static_cast<std::uint32_t>(first->size())) == Exiv2::bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian;
        }
    }
    // Exiv2 leaves a packet it cannot parse out of the XMP data, with a warning no one sees.
    if (xmp.empty() && xmpPacket.find_first_not_of(" \t\r\n") != std::string::npos) {
        Exiv2::XmpData probe;
        xmpUnreadable = Exiv2::XmpParser::decode(probe, xmpPacket) != 0;
    }
    width = image->pixelWidth();
    height = image->pixelHeight();
    if (image->iccProfileDefined()) {
        const Exiv2::DataBuf* profile = image->iccProfile();
        icc.assign(profile->pData_, profile->pData_ + profile->size_);
    }
    return {};
}

}

Result<ImageMetadata> ImageMetadata::readFromFile(const std::filesystem::path& path)
{
    const auto locked = xmpLock();
    ImageMetadata metadata;
    Storage& s = *metadata.m_storage;
    s.name = path.string();
    try {
        auto read = readInto(Exiv2::ImageFactory::open(path.string()), path.string(), s.exif, s.iptc, s.xmp, s.xmpPacket, s.xmpUnreadable, s.icc, s.byteOrder, s.width, s.height, s.orientedByContainer);
        if (!read)
            return std::unexpected(read.error());
    } catch (const std::exception& error) {
        return fail(path.string(), std::string("cannot read its metadata (") + error.what() + ")");
    }
    if (s.orientedByContainer)
        std::tie(s.width, s.height) = heifShownSize(path);
    return metadata;
}

Result<ImageMetadata> ImageMetadata::readFromBytes(std::span<const std::uint8_t> bytes, const std::string& name)
{
    const auto locked = xmpLock();
    ImageMetadata metadata;
    Storage& s = *metadata.m_storage;
    s.name = name;
    try {
        auto read = readInto(Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size())), name, s.exif, s.iptc, s.xmp, s.xmpPacket, s.xmpUnreadable, s.icc, s.byteOrder, s.width, s.height, s.orientedByContainer);
        if (!read)
            return std::unexpected(read.error());
    } catch (const std::exception& error) {
        return fail(name, std::string("cannot read its metadata (") + error.what() + ")");
    }
    if (s.orientedByContainer)
        std::tie(s.width, s.height) = heifShownSize(bytes);
    return metadata;
}

bool ImageMetadata::isEmpty() const
{
    return m_storage->exif.empty() && m_storage->iptc.empty() && m_storage->xmp.empty() && m_storage->xmpPacket.empty() && m_storage->icc.empty();
}

int ImageMetadata::pixelWidth() const { return m_storage->width; }
int ImageMetadata::pixelHeight() const { return m_storage->height; }

int ImageMetadata::orientation() const
{
    // A HEIF file turns its picture with its own boxes, which the decoder applies; an EXIF
    // Orientation beside them describes the same turn and would turn the picture twice.
    if (m_storage->orientedByContainer)
        return 1;
    try {
        auto it = m_storage->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it == m_storage->exif.end() || it->count() == 0)
            return 1;
        const long value = it->toLong();
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    } catch (const std::exception&) {
        return 1;
    }
}

std::optional<std::string> ImageMetadata::exifValue(const std::string& key) const
{
    try {
        auto it = m_storage->exif.findKey(Exiv2::ExifKey(key));
        if (it == m_storage->exif.end())
            return std::nullopt;
        return it->toString();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> ImageMetadata::xmpValue(const std::string& key) const
{
    const auto locked = xmpLock();
    try {
        auto it = m_storage->xmp.findKey(Exiv2::XmpKey(key));
        if (it == m_storage->xmp.end())
            return std::nullopt;
        return it->toString();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> ImageMetadata::iptcValue(const std::string& key) const
{
    try {
        auto it = m_storage->iptc.findKey(Exiv2::IptcKey(key));
        if (it == m_storage->iptc.end())
            return std::nullopt;
        return it->toString();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<std::uint8_t> ImageMetadata::iccProfile() const
{
    return m_storage->icc;
}

void ImageMetadata::setIccProfile(std::vector<std::uint8_t> profile)
{
    m_storage->icc = std::move(profile);
}

MetadataBlocks ImageMetadata::blocks(std::string* dropped) const
{
    const auto locked = xmpLock();
    const Storage& storage = *m_storage;
    MetadataBlocks blocks;
    blocks.icc = storage.icc;
    std::vector<std::string> notes;
    try {
        if (!storage.exif.empty()) {
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, storage.byteOrder, storage.exif);
            blocks.exif.assign(blob.begin(), blob.end());
        }
    } catch (const std::exception& error) {
        notes.push_back(std::string("EXIF left out: it cannot be written again (") + error.what() + ")");
    }
    try {
        if (storage.xmpChanged || storage.xmpPacket.empty()) {
            if (!storage.xmp.empty() && Exiv2::XmpParser::encode(blocks.xmp, storage.xmp, Exiv2::XmpParser::useCompactFormat) != 0)
                notes.push_back("XMP left out: it cannot be written again");
        } else
            blocks.xmp = storage.xmpPacket;
    } catch (const std::exception& error) {
        notes.push_back(std::string("XMP left out: it cannot be written again (") + error.what() + ")");
    }
    if (!storage.iptc.empty())
        notes.push_back("IPTC left out: the format does not hold it");
    std::string text;
    for (const auto& note : notes)
        text += (text.empty() ? "" : "; ") + note;
    if (!text.empty()) {
        if (dropped)
            *dropped = text;
        else
            log::warning((storage.name.empty() ? std::string() : storage.name + ": ") + text);
    }
    return blocks;
}

Result<std::vector<std::uint8_t>> ImageMetadata::embedIn(std::span<const std::uint8_t> picture, const std::string& name) const
{
    const auto locked = xmpLock();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(picture.data(), static_cast<long>(picture.size()));
        if (!image.get())
            return fail(name, "not a picture");
        const auto type = image->imageType();
        if (type != Exiv2::ImageType::jpeg && type != Exiv2::ImageType::png && type != Exiv2::ImageType::tiff && type != Exiv2::ImageType::webp)
            return fail(name, "its metadata cannot be written in this format");
        image->readMetadata();
        // TIFF keeps its EXIF in the picture's own directory: the tags that describe the stored
        // pixels stay the file's, the rest come from this metadata.
        Exiv2::ExifData exif = m_storage->exif;
        if (type == Exiv2::ImageType::tiff) {
            for (const auto& datum : image->exifData()) {
                if (datum.groupName() == "Image" && exif.findKey(Exiv2::ExifKey(datum.key())) == exif.end())
                    exif.add(datum);
            }
            for (const char* key : { "Exif.Image.StripOffsets", "Exif.Image.StripByteCounts", "Exif.Image.TileOffsets", "Exif.Image.TileByteCounts", "Exif.Image.ImageWidth", "Exif.Image.ImageLength", "Exif.Image.BitsPerSample", "Exif.Image.Compression", "Exif.Image.PhotometricInterpretation", "Exif.Image.SamplesPerPixel", "Exif.Image.RowsPerStrip", "Exif.Image.PlanarConfiguration", "Exif.Image.ExtraSamples", "Exif.Image.TileWidth", "Exif.Image.TileLength", "Exif.Image.SampleFormat", "Exif.Image.Predictor" }) {
                auto mine = exif.findKey(Exiv2::ExifKey(key));
                if (mine != exif.end())
                    exif.erase(mine);
                auto theirs = image->exifData().findKey(Exiv2::ExifKey(key));
                if (theirs != image->exifData().end())
                    exif.add(*theirs);
            }
        }
        image->setExifData(exif);
        if (type != Exiv2::ImageType::webp)
            image->setIptcData(m_storage->iptc);
        if (m_storage->xmpChanged || m_storage->xmpPacket.empty())
            image->setXmpData(m_storage->xmp);
        else
            image->setXmpPacket(m_storage->xmpPacket);
        if (!m_storage->icc.empty()) {
            Exiv2::DataBuf icc(m_storage->icc.data(), static_cast<long>(m_storage->icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        std::vector<std::uint8_t> bytes(static_cast<size_t>(io.size()));
        if (!bytes.empty() && io.read(bytes.data(), static_cast<long>(bytes.size())) != static_cast<long>(bytes.size()))
            return fail(name, "cannot read back the written metadata");
        return bytes;
    } catch (const std::exception& error) {
        return fail(name, std::string("cannot write its metadata (") + error.what() + ")");
    }
}

bool ImageMetadata::hasExifThumbnail() const
{
    try {
        Exiv2::ExifThumbC thumbnail(m_storage->exif);
        return thumbnail.copy().size_ > 0;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<std::string> ImageMetadata::dateTimeOriginal() const
{
    for (const char* key : { "Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized" }) {
        auto value = exifValue(key);
        if (value && value->size() >= 19 && (*value)[4] == ':' && value->substr(0, 4) != "0000")
            return value->substr(0, 19);
    }
    return std::nullopt;
}

void ImageMetadata::setXmpValue(const std::string& key, const std::string& value)
{
    const auto locked = xmpLock();
    try {
        m_storage->xmp[key] = value;
        m_storage->xmpChanged = true;
    } catch (const std::exception& error) {
        log::warning(std::string("cannot set ") + key + ": " + error.what());
    }
}

void ImageMetadata::setExifValue(const std::string& key, const std::string& value)
{
    try {
        m_storage->exif[key] = value;
    } catch (const std::exception& error) {
        log::warning(std::string("cannot set ") + key + ": " + error.what());
    }
}

void ImageMetadata::prepareForDerivedImage(int width, int height, const std::string& software, int orientation)
{
    const auto locked = xmpLock();
    Storage& storage = *m_storage;
    try {
        Exiv2::ExifThumb(storage.exif).erase();
        storage.exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
        storage.exif["Exif.Image.Software"] = software;
        storage.exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(width);
        storage.exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(height);
        // The main image's own size tags, when a camera wrote them into IFD0, must agree too.
        for (const char* key : { "Exif.Image.ImageWidth", "Exif.Image.ImageLength" }) {
            auto it = storage.exif.findKey(Exiv2::ExifKey(key));
            if (it != storage.exif.end())
                storage.exif.erase(it);
        }
        if (!storage.xmp.empty()) {
            auto setIfPresent = [&](const char* key, const std::string& value) {
                auto it = storage.xmp.findKey(Exiv2::XmpKey(key));
                if (it != storage.xmp.end()) {
                    it->setValue(value);
                    storage.xmpChanged = true;
                }
            };
            setIfPresent("Xmp.tiff.Orientation", std::to_string(orientation));
            setIfPresent("Xmp.exif.PixelXDimension", std::to_string(width));
            setIfPresent("Xmp.exif.PixelYDimension", std::to_string(height));
            setIfPresent("Xmp.tiff.ImageWidth", std::to_string(width));
            setIfPresent("Xmp.tiff.ImageLength", std::to_string(height));
        }
    } catch (const std::exception& error) {
        log::warning(std::string("metadata of the stamped photo: ") + error.what());
    }
}

std::vector<JpegSegment> ImageMetadata::jpegSegments(std::string* dropped) const
{
    const auto locked = xmpLock();
    const Storage& storage = *m_storage;
    std::vector<JpegSegment> segments;
    std::vector<std::string> notes;
    // Each kind is written on its own: one that cannot be written again leaves the others.
    if (!storage.exif.empty()) {
        Exiv2::ExifData exif = storage.exif;
        Exiv2::Blob blob;
        std::string failure; // why the EXIF cannot be written, when it cannot
        auto encode = [&] {
            blob.clear();
            try {
                Exiv2::ExifParser::encode(blob, storage.byteOrder, exif);
                return true;
            } catch (const std::exception& error) {
                failure = error.what();
                return false;
            }
        };
        bool encoded = encode();
        std::vector<std::string> left;
        std::string makerNoteFailure; // the maker note went because it cannot be written again
        if (!encoded || blob.size() + 6 > kMaxSegmentPayload) {
            // A maker note is what usually makes EXIF too large for one segment, or impossible to
            // write again (its private layout points anywhere); it goes first.
            bool makerNote = false;
            for (auto it = exif.begin(); it != exif.end();) {
                if (it->key() == "Exif.Photo.MakerNote" || Exiv2::ExifTags::isMakerGroup(it->groupName())) {
                    it = exif.erase(it);
                    makerNote = true;
                } else
                    ++it;
            }
            if (makerNote) {
                if (encoded)
                    left.push_back("the maker note");
                else
                    makerNoteFailure = failure;
                encoded = encode();
            }
        }
        // Then the largest optional tags, one at a time, until the rest fits.
        while (encoded && blob.size() + 6 > kMaxSegmentPayload) {
            auto largest = exif.end();
            for (auto it = exif.begin(); it != exif.end(); ++it)
                if (!isEssentialExif(it->key()) && (largest == exif.end() || it->size() > largest->size()))
                    largest = it;
            if (largest == exif.end())
                break;
            left.push_back(largest->key());
            exif.erase(largest);
            encoded = encode();
        }
        if (!encoded) {
            notes.push_back("EXIF left out whole: it cannot be written again (" + failure + ")");
        } else {
            // Exiv2 itself leaves out tags over 20 kB when the whole does not fit; those are
            // named too.
            const bool hasLargeTags = std::any_of(exif.begin(), exif.end(), [](const Exiv2::Exifdatum& datum) { return datum.size() > 4096; });
            if (hasLargeTags && blob.size() + 6 <= kMaxSegmentPayload) {
                try {
                    Exiv2::ExifData written;
                    Exiv2::ExifParser::decode(written, blob.data(), static_cast<std::uint32_t>(blob.size()));
                    for (const auto& datum : exif)
                        if (datum.size() > 4096 && written.findKey(Exiv2::ExifKey(datum.key())) == written.end())
                            left.push_back(datum.key());
                } catch (const std::exception&) {
                }
            }
            if (blob.size() + 6 <= kMaxSegmentPayload) {
                JpegSegment segment { 0xE1, {} };
                segment.bytes.assign(kExifHeader, kExifHeader + 6);
                segment.bytes.insert(segment.bytes.end(), blob.begin(), blob.end());
                segments.push_back(std::move(segment));
                if (!makerNoteFailure.empty())
                    notes.push_back("EXIF maker note left out: it cannot be written again (" + makerNoteFailure + ")");
                if (!left.empty())
                    notes.push_back("EXIF too large for a JPEG segment; left out " + describeDropped(left));
            } else {
                notes.push_back("EXIF too large for a JPEG segment; left out whole");
            }
        }
    }
    try {
        std::string packet = storage.xmpPacket;
        if (storage.xmpChanged || (packet.empty() && !storage.xmp.empty())) {
            // A packet that is not valid XMP cannot take this program's properties: it goes.
            if (storage.xmpUnreadable)
                notes.push_back("XMP left out: the photo's " + std::to_string(packet.size()) + "-byte packet is not valid XMP");
            std::string encoded;
            Exiv2::XmpData xmp = storage.xmp;
            packet.clear();
            if (Exiv2::XmpParser::encode(encoded, xmp, Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitPacketWrapper) == 0)
                packet = std::move(encoded);
            else
                notes.push_back("XMP left out: it cannot be written again");
        }
        if (!packet.empty() && packet.size() + sizeof(kXmpHeader) > kMaxSegmentPayload) {
            // Only this program's own properties are kept: they say where the picture came from.
            Exiv2::XmpData own;
            for (const auto& datum : storage.xmp)
                if (datum.groupName() == kVardenicoXmpPrefix)
                    own.add(datum);
            std::string encoded;
            packet.clear();
            if (!own.empty() && Exiv2::XmpParser::encode(encoded, own, Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitPacketWrapper) == 0)
                packet = std::move(encoded);
            notes.push_back("XMP too large for a JPEG segment; left out");
        }
        if (!packet.empty()) {
            JpegSegment segment { 0xE1, {} };
            segment.bytes.assign(kXmpHeader, kXmpHeader + sizeof(kXmpHeader)); // with its NUL
            segment.bytes.insert(segment.bytes.end(), packet.begin(), packet.end());
            segments.push_back(std::move(segment));
        }
    } catch (const std::exception& error) {
        notes.push_back(std::string("XMP left out: it cannot be written again (") + error.what() + ")");
    }
    try {
        if (!storage.iptc.empty()) {
            Exiv2::IptcData iptc = storage.iptc;
            std::vector<std::string> left;
            Exiv2::DataBuf irb = Exiv2::Photoshop::setIptcIrb(nullptr, 0, iptc);
            // The largest optional datasets go first; the record version stays.
            while (irb.size_ > 0 && static_cast<size_t>(irb.size_) + sizeof(kPhotoshopHeader) > kMaxSegmentPayload) {
                auto largest = iptc.end();
                for (auto it = iptc.begin(); it != iptc.end(); ++it)
                    if (it->key() != "Iptc.Application2.RecordVersion" && it->key() != "Iptc.Envelope.ModelVersion" && (largest == iptc.end() || it->size() > largest->size()))
                        largest = it;
                if (largest == iptc.end())
                    break;
                left.push_back(largest->key());
                iptc.erase(largest);
                irb = Exiv2::Photoshop::setIptcIrb(nullptr, 0, iptc);
            }
            if (irb.size_ > 0 && static_cast<size_t>(irb.size_) + sizeof(kPhotoshopHeader) <= kMaxSegmentPayload) {
                JpegSegment segment { 0xED, {} };
                segment.bytes.assign(kPhotoshopHeader, kPhotoshopHeader + sizeof(kPhotoshopHeader));
                segment.bytes.insert(segment.bytes.end(), irb.pData_, irb.pData_ + irb.size_);
                segments.push_back(std::move(segment));
            }
            if (!left.empty())
                notes.push_back("IPTC too large for a JPEG segment; left out " + describeDropped(left));
        }
    } catch (const std::exception& error) {
        notes.push_back(std::string("IPTC left out: it cannot be written again (") + error.what() + ")");
    }
    std::string text;
    for (const auto& note : notes)
        text += (text.empty() ? "" : "; ") + note;
    if (!text.empty()) {
        if (dropped)
            *dropped = text;
        else
            log::warning((storage.name.empty() ? std::string() : storage.name + ": ") + text);
    }
    return segments;
}

Result<std::vector<std::uint8_t>> ImageMetadata::embedInJpeg(std::span<const std::uint8_t> jpeg) const
{
    const auto locked = xmpLock();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
        if (!image.get() || image->imageType() != Exiv2::ImageType::jpeg)
            return fail("JPEG data", "not a JPEG");
        image->readMetadata();
        image->setExifData(m_storage->exif);
        image->setIptcData(m_storage->iptc);
        if (m_storage->xmpChanged || m_storage->xmpPacket.empty())
            image->setXmpData(m_storage->xmp);
        else
            image->setXmpPacket(m_storage->xmpPacket);
        if (!m_storage->icc.empty()) {
            Exiv2::DataBuf icc(m_storage->icc.data(), static_cast<long>(m_storage->icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        std::vector<std::uint8_t> bytes(static_cast<size_t>(io.size()));
        if (!bytes.empty() && io.read(bytes.data(), static_cast<long>(bytes.size())) != static_cast<long>(bytes.size()))
            return fail("JPEG data", "cannot read back the written metadata");
        return bytes;
    } catch (const std::exception& error) {
        return fail("JPEG data", std::string("cannot write its metadata (") + error.what() + ")");
    }
}

OrientationMapping orientationMapping(int orientation)
{
    switch (orientation) {
    case 2: return { false, true, false };
    case 3: return { false, true, true };
    case 4: return { false, false, true };
    case 5: return { true, false, false };
    case 6: return { true, true, false };
    case 7: return { true, true, true };
    case 8: return { true, false, true };
    default: return {};
    }
}

Image uprightImage(const Image& image, int orientation)
{
    const OrientationMapping mapping = orientationMapping(orientation);
    if ((!mapping.transpose && !mapping.flipX && !mapping.flipY) || image.isEmpty())
        return image;
    const int w0 = image.pixelWidth(), h0 = image.pixelHeight();
    PixelBuffer buffer;
    buffer.width = mapping.transpose ? h0 : w0;
    buffer.height = mapping.transpose ? w0 : h0;
    buffer.opaque = image.isOpaque();
    buffer.pixels.resize(static_cast<size_t>(w0) * h0);
    for (int y = 0; y < h0; ++y)
        for (int x = 0; x < w0; ++x) {
            int dx = mapping.transpose ? y : x;
            int dy = mapping.transpose ? x : y;
            if (mapping.flipX)
                dx = buffer.width - 1 - dx;
            if (mapping.flipY)
                dy = buffer.height - 1 - dy;
            buffer.pixels[static_cast<size_t>(dy) * buffer.width + dx] = image.pixelAt(x, y);
        }
    return Image::fromBuffer(std::move(buffer), image.scale());
}

}

#pragma GCC diagnostic pop
