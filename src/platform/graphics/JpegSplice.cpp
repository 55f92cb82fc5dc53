#include <platform/graphics/JpegSplice.h>

#include <platform/foundation/HugePages.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/JpegErrorBridge.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <unordered_map>
#include <utility>

namespace vd {

namespace {

// The natural (row by row) index of each coefficient in the order the data lists them.
constexpr std::array<int, 64> kZigzag = {
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

constexpr int kLookupBits = 9;
constexpr int kSkipBits = 11;
// Bytes of zeros after the data, so reading a little past its end (damaged data) stays inside.
constexpr std::size_t kSlack = 4096;

// A byte buffer that is not cleared when it grows: every byte is written before it is read.
// Each thread keeps the last photo's buffers for its next photo, so a batch does not pay for
// fresh pages (a fault and a zeroed page every 4 KB) twice for every photo it reads.
class Bytes {
public:
    static Bytes spare(int which);
    void giveBack(int which);

    void resize(std::size_t size)
    {
        if (size > m_capacity) {
            m_data.reset(new std::uint8_t[size]);
            m_capacity = size;
            preferHugePages(m_data.get(), size);
        }
        m_size = size;
    }
    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    std::uint8_t& operator[](std::size_t index) { return m_data[index]; }
    const std::uint8_t& operator[](std::size_t index) const { return m_data[index]; }

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size { 0 };
    std::size_t m_capacity { 0 };
};

constexpr std::size_t kSpareLimit = std::size_t { 256 } << 20; // larger buffers are not kept
thread_local std::array<Bytes, 2> t_spares;

Bytes Bytes::spare(int which)
{
    return std::exchange(t_spares[static_cast<size_t>(which)], Bytes());
}

void Bytes::giveBack(int which)
{
    if (m_capacity <= kSpareLimit && m_capacity > t_spares[static_cast<size_t>(which)].m_capacity)
        t_spares[static_cast<size_t>(which)] = std::move(*this);
}

// Bits of a byte buffer read most significant first, at any bit position.
inline std::uint64_t bitsAt(const std::uint8_t* data, std::uint64_t position)
{
    std::uint64_t word;
    std::memcpy(&word, data + (position >> 3), 8);
    return std::byteswap(word) << (position & 7);
}

struct HuffmanTable {
    bool present { false };
    std::array<std::uint16_t, 1 << kLookupBits> lookup {}; // length << 8 | symbol; 0: longer code
    std::array<std::int32_t, 18> maxCode {};               // by length; -1 when none
    std::array<std::int32_t, 17> offset {};                // symbol index minus code, by length
    std::array<std::uint8_t, 256> symbols {};
    std::array<std::uint16_t, 256> code {}; // by symbol, for encoding
    std::array<std::uint8_t, 256> size {};  // 0: the table has no code for the symbol
    // For an AC table, what passing over the coefficient whose code starts the next kSkipBits
    // bits takes, without working out its value: 0 for a longer code; otherwise the bits of code
    // and amount (bits 0–4), the coefficients it covers, run included (bits 5–9), 1 << 10 for the
    // end of the block and 1 << 11 for a run of 16 zeros.
    std::array<std::uint16_t, 1 << kSkipBits> skip {};

    // False for a table libjpeg would refuse too.
    bool build(const JHUFF_TBL& table)
    {
        int count = 0;
        std::int32_t next = 0;
        for (int length = 1; length <= 16; ++length) {
            const int n = table.bits[length];
            offset[static_cast<size_t>(length)] = count - next;
            for (int i = 0; i < n; ++i, ++count, ++next) {
                if (count >= 256)
                    return false;
                const std::uint8_t symbol = table.huffval[count];
                symbols[static_cast<size_t>(count)] = symbol;
                code[symbol] = static_cast<std::uint16_t>(next);
                size[symbol] = static_cast<std::uint8_t>(length);
                if (length <= kSkipBits) {
                    const int run = symbol >> 4;
                    const int amount = symbol & 15;
                    const int covered = amount == 0 ? (run == 15 ? 16 : 0) : run + 1;
                    const int end = amount == 0 ? (run == 15 ? 1 << 11 : 1 << 10) : 0;
                    const auto entry = static_cast<std::uint16_t>((length + amount) | covered << 5 | end);
                    const int shift = kSkipBits - length;
                    for (int fill = next << shift; fill < (next + 1) << shift; ++fill)
                        skip[static_cast<size_t>(fill)] = entry;
                }
                if (length <= kLookupBits) {
                    const int shift = kLookupBits - length;
                    for (int fill = next << shift; fill < (next + 1) << shift; ++fill)
                        lookup[static_cast<size_t>(fill)] = static_cast<std::uint16_t>(length << 8 | symbol);
                }
            }
            maxCode[static_cast<size_t>(length)] = n ? next - 1 : -1;
            if (next >= (1 << length))
                return false;
            next <<= 1;
        }
        maxCode[17] = 0x7FFFFFFF;
        present = true;
        return true;
    }

    // The next symbol at position, which moves past its code; -1 for a code the table lacks.
    int decode(const std::uint8_t* data, std::uint64_t& position) const
    {
        const std::uint64_t bits = bitsAt(data, position);
        const std::uint16_t entry = lookup[bits >> (64 - kLookupBits)];
        if (entry) {
            position += entry >> 8;
            return entry & 0xFF;
        }
        for (int length = kLookupBits + 1; length <= 16; ++length) {
            const auto value = static_cast<std::int32_t>(bits >> (64 - length));
            if (value <= maxCode[static_cast<size_t>(length)]) {
                position += static_cast<unsigned>(length);
                return symbols[static_cast<size_t>(offset[static_cast<size_t>(length)] + value)];
            }
        }
        return -1;
    }
};

// An amount coded in `category` bits after its symbol.
inline int receiveExtended(const std::uint8_t* data, std::uint64_t& position, int category)
{
    if (category == 0)
        return 0;
    const int value = static_cast<int>(bitsAt(data, position) >> (64 - category));
    position += static_cast<unsigned>(category);
    return value < (1 << (category - 1)) ? value - (1 << category) + 1 : value;
}

inline int category(int value)
{
    return value == 0 ? 0 : std::bit_width(static_cast<unsigned>(value < 0 ? -value : value));
}

// Unstuffed bits collected in memory (the re-coded MCUs), then copied into the file.
class BitBuffer {
public:
    void put(std::uint32_t bits, int count)
    {
        m_accumulator = (m_accumulator << count) | (bits & static_cast<std::uint32_t>((std::uint64_t { 1 } << count) - 1));
        m_pending += count;
        m_bits += static_cast<std::uint64_t>(count);
        while (m_pending >= 8) {
            m_pending -= 8;
            m_bytes.push_back(static_cast<std::uint8_t>(m_accumulator >> m_pending));
        }
    }
    // Flushes the last partial byte and the slack that bitsAt may read; returns the bits written.
    std::uint64_t close()
    {
        if (m_pending)
            m_bytes.push_back(static_cast<std::uint8_t>(m_accumulator << (8 - m_pending)));
        m_pending = 0;
        m_bytes.resize(m_bytes.size() + 8);
        return m_bits;
    }
    const std::uint8_t* data() const { return m_bytes.data(); }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_accumulator { 0 };
    int m_pending { 0 };
    std::uint64_t m_bits { 0 };
};

// The entropy-coded data going out: bits become bytes, a 0xFF data byte is followed by a stuffed
// zero, and whole runs of bytes already stuffed can be copied as they are.
class ScanWriter {
public:
    explicit ScanWriter(std::FILE* out)
        : m_out(out)
    {
        m_buffer.reserve(kCapacity);
    }
    bool ok() const { return m_ok; }
    bool aligned() const { return m_pending == 0; }

    void put(std::uint32_t bits, int count)
    {
        m_accumulator = (m_accumulator << count) | (bits & static_cast<std::uint32_t>((std::uint64_t { 1 } << count) - 1));
        m_pending += count;
        while (m_pending >= 8) {
            m_pending -= 8;
            const auto byte = static_cast<std::uint8_t>(m_accumulator >> m_pending);
            push(byte);
            if (byte == 0xFF)
                push(0);
        }
    }
    // Copies the bits [from, to) of unstuffed data.
    void copy(const std::uint8_t* data, std::uint64_t from, std::uint64_t to)
    {
        if (to <= from)
            return;
        while (to - from >= 32) {
            put(static_cast<std::uint32_t>(bitsAt(data, from) >> 32), 32);
            from += 32;
        }
        if (to > from)
            put(static_cast<std::uint32_t>(bitsAt(data, from) >> (64 - (to - from))), static_cast<int>(to - from));
    }
    void padWithOnes()
    {
        if (m_pending)
            put(0xFF, 8 - m_pending);
    }
    // Bytes written as they are: headers, markers and data already stuffed.
    void raw(const std::uint8_t* bytes, std::size_t count)
    {
        if (m_buffer.size() + count > kCapacity)
            flush();
        if (count >= kCapacity) {
            m_ok = m_ok && std::fwrite(bytes, 1, count, m_out) == count;
            return;
        }
        m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    }
    void marker(int code)
    {
        const std::uint8_t bytes[2] = { 0xFF, static_cast<std::uint8_t>(code) };
        raw(bytes, 2);
    }
    void segment(int code, const std::uint8_t* bytes, std::size_t count)
    {
        marker(code);
        const std::uint8_t length[2] = { static_cast<std::uint8_t>((count + 2) >> 8), static_cast<std::uint8_t>(count + 2) };
        raw(length, 2);
        raw(bytes, count);
    }
    void flush()
    {
        if (!m_buffer.empty())
            m_ok = m_ok && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) == m_buffer.size();
        m_buffer.clear();
    }

private:
    static constexpr std::size_t kCapacity = 1 << 16;
    void push(std::uint8_t byte)
    {
        if (m_buffer.size() == kCapacity)
            flush();
        m_buffer.push_back(byte);
    }

    std::FILE* m_out;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_accumulator { 0 };
    int m_pending { 0 };
    bool m_ok { true };
};

}

struct JpegSplice::State {
    Bytes file { Bytes::spare(0) };
    std::size_t scanStart { 0 }; // the entropy-coded data, in file
    std::size_t scanEnd { 0 };   // the marker after it
    struct ScanComponent {
        int component { 0 };
        int dcTable { 0 };
        int acTable { 0 };
    };
    std::vector<ScanComponent> scan;
    std::array<HuffmanTable, 4> dc;
    std::array<HuffmanTable, 4> ac;
    int restartInterval { 0 };
    std::vector<std::pair<std::size_t, std::size_t>> headerSegments; // DQT, SOF, DHT, DRI, SOS: offset, length with marker
    std::vector<std::uint8_t> jfif; // the body of the file's JFIF APP0 segment, if any

    // The data without stuffing, restart intervals laid end to end (each starts on a byte), and
    // kSlack zeros.
    Bytes unstuffed { Bytes::spare(1) };
    struct Interval {
        std::size_t unstuffedStart { 0 };
        std::size_t stuffedStart { 0 }; // in file
        std::size_t stuffedEnd { 0 };   // the restart marker or the scan's end
        std::uint64_t dataEnd { 0 };    // bit after its last MCU
    };
    std::vector<Interval> intervals;
    std::vector<std::size_t> stuffedBytes; // unstuffed indices of the 0xFF bytes a zero followed

    int blocksPerMcu { 0 };
    std::array<int, 4> componentBlockOffset {};
    struct ReadMcu {
        int index { 0 };
        std::uint64_t start { 0 };
        std::uint64_t end { 0 };
        std::array<int, 4> predictionBefore {}; // the DC values the file's MCU was coded against
        std::size_t blocks { 0 };                // in coefficients
        bool changedRun { false };               // asked for (not only the MCU after a run)
    };
    std::vector<ReadMcu> read;
    std::unordered_map<int, std::size_t> readSlot;
    std::vector<std::int16_t> coefficients;

    ~State()
    {
        file.giveBack(0);
        unstuffed.giveBack(1);
    }

    std::size_t stuffedOffset(std::size_t interval, std::size_t unstuffedIndex) const
    {
        const Interval& i = intervals[interval];
        const auto from = std::lower_bound(stuffedBytes.begin(), stuffedBytes.end(), i.unstuffedStart);
        const auto to = std::lower_bound(from, stuffedBytes.end(), unstuffedIndex);
        return i.stuffedStart + (unstuffedIndex - i.unstuffedStart) + static_cast<std::size_t>(to - from);
    }
};

JpegSplice::JpegSplice(std::unique_ptr<State> state, std::string name)
    : m_state(std::move(state))
    , m_name(std::move(name))
{
}

JpegSplice::~JpegSplice() = default;

Result<std::unique_ptr<JpegSplice>> JpegSplice::open(const std::filesystem::path& path, std::int64_t maxPixels)
{
    const std::string name = path.string();
    auto state = std::make_unique<State>();
    {
        std::ifstream stream(path, std::ios::binary | std::ios::ate);
        if (!stream)
            return fail(name, std::strerror(errno));
        const std::streamoff size = stream.tellg();
        stream.seekg(0);
        state->file.resize(static_cast<std::size_t>(std::max<std::streamoff>(0, size)));
        if (!stream.read(reinterpret_cast<char*>(state->file.data()), size))
            return fail(name, "cannot read the file");
    }

    jpeg::ErrorBridge error;
    jpeg_decompress_struct cinfo {};
    jpeg::install(error, reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_create_decompress(&cinfo);
    struct Destroy {
        jpeg_decompress_struct* cinfo;
        ~Destroy() { jpeg_destroy_decompress(cinfo); }
    } destroy { &cinfo };
    jpeg_mem_src(&cinfo, state->file.data(), static_cast<unsigned long>(state->file.size()));
    if (!jpeg::guarded(error, [&] { jpeg_read_header(&cinfo, TRUE); }))
        return fail(name, error.describe("damaged JPEG"));
    if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height > maxPixels)
        return fail(name, tooLargeReason(cinfo.image_width, cinfo.image_height, maxPixels));

    std::unique_ptr<JpegSplice> splice(new JpegSplice(std::move(state), name));
    State& s = *splice->m_state;
    splice->m_width = static_cast<int>(cinfo.image_width);
    splice->m_height = static_cast<int>(cinfo.image_height);
    splice->m_bits = cinfo.data_precision;
    splice->m_ycbcr = cinfo.num_components == 3 && cinfo.jpeg_color_space == JCS_YCbCr;
    splice->m_maxH = cinfo.max_h_samp_factor;
    splice->m_maxV = cinfo.max_v_samp_factor;
    splice->m_mcuColumns = (splice->m_width + 8 * splice->m_maxH - 1) / (8 * splice->m_maxH);
    splice->m_mcuRows = (splice->m_height + 8 * splice->m_maxV - 1) / (8 * splice->m_maxV);
    bool quantisationMissing = false;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& info = cinfo.comp_info[c];
        JpegComponentLayout layout;
        layout.hSampling = info.h_samp_factor;
        layout.vSampling = info.v_samp_factor;
        layout.widthInBlocks = static_cast<int>(info.width_in_blocks);
        layout.heightInBlocks = static_cast<int>(info.height_in_blocks);
        // The component's table is only latched when decoding starts; the header names it. A
        // progressive file may define it after the first scan: such a file is not spliced.
        const JQUANT_TBL* table = info.quant_tbl_no >= 0 && info.quant_tbl_no < NUM_QUANT_TBLS ? cinfo.quant_tbl_ptrs[info.quant_tbl_no] : nullptr;
        if (table)
            for (int i = 0; i < 64; ++i)
                layout.quantisation[static_cast<size_t>(i)] = table->quantval[i];
        else
            quantisationMissing = true;
        splice->m_components.push_back(layout);
    }

    bool ok = !quantisationMissing && !cinfo.progressive_mode && !cinfo.arith_code && cinfo.data_precision == 8 && cinfo.num_components >= 2
        && cinfo.num_components <= 4 && cinfo.comps_in_scan == cinfo.num_components && cinfo.Ss == 0 && cinfo.Se == 63 && cinfo.Ah == 0 && cinfo.Al == 0;
    for (int i = 0; ok && i < cinfo.comps_in_scan; ++i) {
        const jpeg_component_info* info = cinfo.cur_comp_info[i];
        State::ScanComponent component { info->component_index, info->dc_tbl_no, info->ac_tbl_no };
        const JHUFF_TBL* dc = cinfo.dc_huff_tbl_ptrs[component.dcTable];
        const JHUFF_TBL* ac = cinfo.ac_huff_tbl_ptrs[component.acTable];
        ok = dc && ac && (s.dc[static_cast<size_t>(component.dcTable)].present || s.dc[static_cast<size_t>(component.dcTable)].build(*dc))
            && (s.ac[static_cast<size_t>(component.acTable)].present || s.ac[static_cast<size_t>(component.acTable)].build(*ac));
        s.scan.push_back(component);
    }
    int offset = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        s.componentBlockOffset[static_cast<size_t>(c)] = offset;
        offset += cinfo.comp_info[c].h_samp_factor * cinfo.comp_info[c].v_samp_factor;
    }
    s.blocksPerMcu = offset;
    s.restartInterval = static_cast<int>(cinfo.restart_interval);
    s.scanStart = static_cast<std::size_t>(cinfo.src->next_input_byte - s.file.data());

    // The segments that describe the picture, copied as they are; metadata is written anew.
    for (std::size_t at = 2; ok && at + 4 <= s.scanStart;) {
        if (s.file[at] != 0xFF) {
            ok = false;
            break;
        }
        const int marker = s.file[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(s.file[at + 2]) << 8 | s.file[at + 3];
        if (length < 2 || at + 2 + length > s.scanStart) {
            ok = false;
            break;
        }
        if (marker == 0xDB || marker == 0xC0 || marker == 0xC1 || marker == 0xC4 || marker == 0xDD || marker == 0xDA)
            s.headerSegments.emplace_back(at, length + 2);
        else if (marker == 0xE0 && length >= 7 && std::memcmp(&s.file[at + 4], "JFIF\0", 5) == 0)
            s.jfif.assign(s.file.data() + at + 4, s.file.data() + at + 2 + length);
        at += 2 + length;
    }
    splice->m_spliceable = ok;
    return splice;
}

std::span<const std::uint8_t> JpegSplice::bytes() const
{
    return { m_state->file.data(), m_state->file.size() };
}

bool JpegSplice::readMcus(const std::vector<int>& mcus)
{
    if (!m_spliceable)
        return false;
    State& s = *m_state;
    const Bytes& file = s.file;

    // Undo the stuffing and find the restart intervals.
    s.unstuffed.resize(file.size() - s.scanStart + kSlack);
    std::uint8_t* unstuffed = s.unstuffed.data();
    std::size_t length = 0;
    s.intervals.assign(1, State::Interval { 0, s.scanStart, 0, 0 });
    s.stuffedBytes.clear();
    std::size_t at = s.scanStart;
    bool ended = false;
    while (at < file.size()) {
        const auto* found = static_cast<const std::uint8_t*>(std::memchr(file.data() + at, 0xFF, file.size() - at));
        const std::size_t ff = found ? static_cast<std::size_t>(found - file.data()) : file.size();
        std::memcpy(unstuffed + length, file.data() + at, ff - at);
        length += ff - at;
        if (ff + 1 >= file.size())
            break;
        const int next = file[ff + 1];
        if (next == 0x00) {
            s.stuffedBytes.push_back(length);
            unstuffed[length++] = 0xFF;
            at = ff + 2;
        } else if (next >= 0xD0 && next <= 0xD7) {
            if (next - 0xD0 != static_cast<int>((s.intervals.size() - 1) % 8))
                return false;
            s.intervals.back().stuffedEnd = ff;
            s.intervals.push_back(State::Interval { length, ff + 2, 0, 0 });
            at = ff + 2;
        } else {
            // Only the end of the picture may follow: another scan or a DNL is not spliced.
            if (next != 0xD9)
                return false;
            s.intervals.back().stuffedEnd = ff;
            s.scanEnd = ff;
            ended = true;
            break;
        }
    }
    if (!ended)
        return false;
    const std::uint64_t totalBits = static_cast<std::uint64_t>(length) * 8;
    std::memset(unstuffed + length, 0, kSlack);

    const int total = m_mcuColumns * m_mcuRows;
    const int perInterval = s.restartInterval > 0 ? s.restartInterval : total;
    if (static_cast<std::size_t>((total + perInterval - 1) / perInterval) != s.intervals.size())
        return false;

    // The MCUs whose blocks are kept: those asked for, and the one after each run of them, whose
    // first blocks' DC differences change with the run.
    s.read.clear();
    s.readSlot.clear();
    for (std::size_t i = 0; i < mcus.size(); ++i) {
        const int mcu = mcus[i];
        if (mcu < 0 || mcu >= total || (i > 0 && mcu <= mcus[i - 1]))
            return false;
        s.read.push_back(State::ReadMcu { mcu, 0, 0, {}, 0, true });
        const int after = mcu + 1;
        const bool followed = i + 1 < mcus.size() && mcus[i + 1] == after;
        if (!followed && after < total && after % perInterval != 0)
            s.read.push_back(State::ReadMcu { after, 0, 0, {}, 0, false });
    }
    s.coefficients.assign(s.read.size() * static_cast<std::size_t>(s.blocksPerMcu) * 64, 0);
    for (std::size_t i = 0; i < s.read.size(); ++i) {
        s.read[i].blocks = i * static_cast<std::size_t>(s.blocksPerMcu) * 64;
        s.readSlot.emplace(s.read[i].index, i);
    }

    // Every MCU is decoded to find where the next begins; only the kept ones are stored.
    const std::uint8_t* data = s.unstuffed.data();
    std::size_t nextRead = 0;
    std::array<int, 4> prediction {};
    std::uint64_t position = 0;
    std::uint64_t limit = 0;
    for (int mcu = 0; mcu < total; ++mcu) {
        if (mcu % perInterval == 0) {
            const std::size_t interval = static_cast<std::size_t>(mcu / perInterval);
            position = static_cast<std::uint64_t>(s.intervals[interval].unstuffedStart) * 8;
            limit = interval + 1 < s.intervals.size() ? static_cast<std::uint64_t>(s.intervals[interval + 1].unstuffedStart) * 8 : totalBits;
            prediction = {};
        }
        State::ReadMcu* kept = nextRead < s.read.size() && s.read[nextRead].index == mcu ? &s.read[nextRead++] : nullptr;
        if (kept) {
            kept->start = position;
            kept->predictionBefore = prediction;
        }
        for (const State::ScanComponent& part : s.scan) {
            const HuffmanTable& dc = s.dc[static_cast<size_t>(part.dcTable)];
            const HuffmanTable& ac = s.ac[static_cast<size_t>(part.acTable)];
            const JpegComponentLayout& layout = m_components[static_cast<size_t>(part.component)];
            int& predicted = prediction[static_cast<size_t>(part.component)];
            for (int b = 0; b < layout.hSampling * layout.vSampling; ++b) {
                std::int16_t* out = kept ? s.coefficients.data() + kept->blocks + static_cast<std::size_t>(s.componentBlockOffset[static_cast<size_t>(part.component)] + b) * 64 : nullptr;
                const int dcCategory = dc.decode(data, position);
                if (dcCategory < 0 || dcCategory > 11)
                    return false;
                predicted += receiveExtended(data, position, dcCategory);
                if (!out) {
                    // Nearly every block is only passed over: one look-up per coefficient.
                    bool valid = true;
                    for (int k = 1; k < 64;) {
                        const std::uint16_t entry = ac.skip[bitsAt(data, position) >> (64 - kSkipBits)];
                        if (entry) {
                            position += entry & 31;
                            if (entry & 1 << 10)
                                break;
                            k += entry >> 5 & 31;
                            valid = k <= 64 || (entry & 1 << 11);
                            if (!valid)
                                break;
                            continue;
                        }
                        const int symbol = ac.decode(data, position);
                        if (symbol < 0) {
                            valid = false;
                            break;
                        }
                        const int run = symbol >> 4;
                        const int size = symbol & 15;
                        if (size == 0) {
                            if (run != 15)
                                break;
                            k += 16;
                            continue;
                        }
                        k += run;
                        if (k > 63) {
                            valid = false;
                            break;
                        }
                        position += static_cast<unsigned>(size);
                        ++k;
                    }
                    if (!valid)
                        return false;
                    continue;
                }
                out[0] = static_cast<std::int16_t>(predicted);
                for (int k = 1; k < 64; ++k) {
                    const int symbol = ac.decode(data, position);
                    if (symbol < 0)
                        return false;
                    const int run = symbol >> 4;
                    const int size = symbol & 15;
                    if (size == 0) {
                        if (run != 15)
                            break;
                        k += 15;
                        continue;
                    }
                    k += run;
                    if (k > 63)
                        return false;
                    const int value = receiveExtended(data, position, size);
                    out[kZigzag[static_cast<size_t>(k)]] = static_cast<std::int16_t>(value);
                }
            }
        }
        if (position > limit)
            return false;
        if (kept)
            kept->end = position;
        if ((mcu + 1) % perInterval == 0 || mcu + 1 == total)
            s.intervals[static_cast<std::size_t>(mcu / perInterval)].dataEnd = position;
    }
    return true;
}

std::int16_t* JpegSplice::block(int component, int blockRow, int blockColumn)
{
    State& s = *m_state;
    if (component < 0 || component >= componentCount())
        return nullptr;
    const JpegComponentLayout& layout = m_components[static_cast<size_t>(component)];
    const int mcu = blockRow / layout.vSampling * m_mcuColumns + blockColumn / layout.hSampling;
    const auto found = s.readSlot.find(mcu);
    if (found == s.readSlot.end())
        return nullptr;
    const int inside = blockRow % layout.vSampling * layout.hSampling + blockColumn % layout.hSampling;
    return s.coefficients.data() + s.read[found->second].blocks + static_cast<std::size_t>(s.componentBlockOffset[static_cast<size_t>(component)] + inside) * 64;
}

Result<bool> JpegSplice::write(std::FILE* out, const JpegCoefficients::WriteOptions& options)
{
    State& s = *m_state;
    if (s.intervals.empty() || s.scanEnd == 0)
        return false;
    const int total = m_mcuColumns * m_mcuRows;
    const int perInterval = s.restartInterval > 0 ? s.restartInterval : total;

    // Code the kept MCUs first: a code the tables lack must stop us before anything is written.
    std::vector<BitBuffer> coded(s.read.size());
    std::vector<std::uint64_t> codedBits(s.read.size());
    std::array<int, 4> prediction {};
    for (std::size_t i = 0; i < s.read.size(); ++i) {
        const State::ReadMcu& mcu = s.read[i];
        const bool afterKept = i > 0 && s.read[i - 1].index + 1 == mcu.index && mcu.index % perInterval != 0;
        if (!afterKept)
            prediction = mcu.predictionBefore;
        BitBuffer& bits = coded[i];
        for (const State::ScanComponent& part : s.scan) {
            const HuffmanTable& dc = s.dc[static_cast<size_t>(part.dcTable)];
            const HuffmanTable& ac = s.ac[static_cast<size_t>(part.acTable)];
            const JpegComponentLayout& layout = m_components[static_cast<size_t>(part.component)];
            int& predicted = prediction[static_cast<size_t>(part.component)];
            for (int b = 0; b < layout.hSampling * layout.vSampling; ++b) {
                const std::int16_t* block = s.coefficients.data() + mcu.blocks + static_cast<std::size_t>(s.componentBlockOffset[static_cast<size_t>(part.component)] + b) * 64;
                const int difference = block[0] - predicted;
                predicted = block[0];
                const int dcCategory = category(difference);
                if (dcCategory > 11 || !dc.size[static_cast<size_t>(dcCategory)])
                    return false;
                bits.put(dc.code[static_cast<size_t>(dcCategory)], dc.size[static_cast<size_t>(dcCategory)]);
                if (dcCategory)
                    bits.put(static_cast<std::uint32_t>(difference < 0 ? difference - 1 : difference), dcCategory);
                int run = 0;
                for (int k = 1; k < 64; ++k) {
                    const int value = block[kZigzag[static_cast<size_t>(k)]];
                    if (value == 0) {
                        ++run;
                        continue;
                    }
                    for (; run > 15; run -= 16) {
                        if (!ac.size[0xF0])
                            return false;
                        bits.put(ac.code[0xF0], ac.size[0xF0]);
                    }
                    const int size = category(value);
                    const auto symbol = static_cast<std::size_t>(run << 4 | size);
                    if (size > 15 || !ac.size[symbol])
                        return false;
                    bits.put(ac.code[symbol], ac.size[symbol]);
                    bits.put(static_cast<std::uint32_t>(value < 0 ? value - 1 : value), size);
                    run = 0;
                }
                if (run > 0) {
                    if (!ac.size[0])
                        return false;
                    bits.put(ac.code[0], ac.size[0]);
                }
            }
        }
        codedBits[i] = bits.close();
    }

    ScanWriter writer(out);
    writer.marker(0xD8);
    // EXIF must be the first segment; a JFIF marker before it confuses some readers.
    const bool hasExif = !options.segments.empty() && options.segments.front().first == 0xE1;
    if (!hasExif) {
        // The file's version and pixel density, without its thumbnail (it would show the photo
        // as it was).
        std::uint8_t jfif[] = { 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0 };
        if (s.jfif.size() >= 12)
            std::copy(s.jfif.begin() + 5, s.jfif.begin() + 12, jfif + 5);
        writer.segment(0xE0, jfif, sizeof jfif);
    }
    for (const auto& [marker, bytes] : options.segments)
        writer.segment(marker, bytes.data(), bytes.size());
    if (!options.iccProfile.empty()) {
        constexpr std::size_t kChunk = 65519; // a marker's 65533 bytes less the chunk header
        const std::size_t chunks = (options.iccProfile.size() + kChunk - 1) / kChunk;
        for (std::size_t i = 0; i < chunks && chunks < 256; ++i) {
            const std::size_t from = i * kChunk;
            const std::size_t count = std::min(kChunk, options.iccProfile.size() - from);
            std::vector<std::uint8_t> body { 'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(chunks) };
            body.insert(body.end(), options.iccProfile.begin() + static_cast<std::ptrdiff_t>(from), options.iccProfile.begin() + static_cast<std::ptrdiff_t>(from + count));
            writer.segment(0xE2, body.data(), body.size());
        }
    }
    for (const auto& [offset, length] : s.headerSegments)
        writer.raw(s.file.data() + offset, length);

    const std::uint8_t* data = s.unstuffed.data();
    std::size_t next = 0;
    for (std::size_t i = 0; i < s.intervals.size(); ++i) {
        const State::Interval& interval = s.intervals[i];
        const int lastMcu = std::min(total, static_cast<int>(i + 1) * perInterval) - 1;
        if (next >= s.read.size() || s.read[next].index > lastMcu) {
            // Untouched: the file's bytes as they are, padding included.
            writer.raw(s.file.data() + interval.stuffedStart, interval.stuffedEnd - interval.stuffedStart);
        } else {
            // The bytes before the first changed MCU are copied as they are too.
            const std::size_t wholeBytes = static_cast<std::size_t>(s.read[next].start / 8);
            const std::size_t stuffed = s.stuffedOffset(i, wholeBytes);
            writer.raw(s.file.data() + interval.stuffedStart, stuffed - interval.stuffedStart);
            std::uint64_t cursor = static_cast<std::uint64_t>(wholeBytes) * 8;
            for (; next < s.read.size() && s.read[next].index <= lastMcu; ++next) {
                writer.copy(data, cursor, s.read[next].start);
                writer.copy(coded[next].data(), 0, codedBits[next]);
                cursor = s.read[next].end;
            }
            writer.copy(data, cursor, interval.dataEnd);
            writer.padWithOnes();
        }
        if (i + 1 < s.intervals.size())
            writer.marker(0xD0 + static_cast<int>(i % 8));
    }
    writer.marker(0xD9);
    writer.flush();
    if (!writer.ok() || std::ferror(out))
        return fail(m_name, "cannot write the stamped photo");
    return true;
}

}
