#include <platform/graphics/JpegCoefficients.h>

#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/JpegErrorBridge.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vd {

namespace {

bool sameTable(const JHUFF_TBL* a, const JHUFF_TBL* b)
{
    if (!a || !b)
        return a == b;
    int symbols = 0;
    for (int i = 1; i <= 16; ++i) {
        if (a->bits[i] != b->bits[i])
            return false;
        symbols += a->bits[i];
    }
    return std::memcmp(a->huffval, b->huffval, static_cast<size_t>(std::min(symbols, 256))) == 0;
}

}

struct JpegCoefficients::State {
    jpeg::ErrorBridge error;
    jpeg_decompress_struct cinfo {};
    bool created { false };
    std::FILE* file { nullptr };
    jvirt_barray_ptr* arrays { nullptr };

    ~State()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
        if (file)
            std::fclose(file);
    }
};

JpegCoefficients::JpegCoefficients(std::unique_ptr<State> state, std::string name)
    : m_state(std::move(state))
    , m_name(std::move(name))
{
}

JpegCoefficients::~JpegCoefficients() = default;

Result<std::unique_ptr<JpegCoefficients>> JpegCoefficients::open(const std::filesystem::path& path, std::int64_t maxPixels)
{
    const std::string name = path.string();
    auto state = std::make_unique<State>();
    state->file = std::fopen(path.c_str(), "rbe");
    if (!state->file)
        return fail(name, std::strerror(errno));
    jpeg_decompress_struct& cinfo = state->cinfo;
    jpeg::install(state->error, reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_create_decompress(&cinfo);
    state->created = true;
    if (!jpeg::guarded(state->error, [&] { jpeg::readFrom(&cinfo, state->file); }))
        return fail(name, state->error.describe("cannot read the JPEG"));
    bool tooLarge = false;
    int missingTable = 0;
    const bool ok = jpeg::guarded(state->error, [&] {
        jpeg_read_header(&cinfo, TRUE);
        if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height > maxPixels) {
            tooLarge = true;
            return;
        }
        state->arrays = jpeg_read_coefficients(&cinfo);
        // A component whose quantisation table the file never defines cannot be written back
        // (nor shown): the file is damaged, and saying so here beats failing after the work.
        for (int c = 0; c < cinfo.num_components; ++c) {
            const int table = cinfo.comp_info[c].quant_tbl_no;
            if (table < 0 || table >= NUM_QUANT_TBLS || !cinfo.quant_tbl_ptrs[table]) {
                missingTable = c + 1;
                return;
            }
        }
        // Rows of blocks that no scan reached (a damaged file whose scans end early) are not yet
        // defined, and libjpeg fails a later write that skips over them; defined here, in order,
        // they read as zero (flat grey) and the stamp may change blocks anywhere.
        for (int c = 0; c < cinfo.num_components; ++c) {
            const jpeg_component_info& info = cinfo.comp_info[c];
            const auto sampling = static_cast<JDIMENSION>(info.v_samp_factor);
            const JDIMENSION rows = (info.height_in_blocks + sampling - 1) / sampling * sampling;
            for (JDIMENSION row = 0; row < rows; ++row)
                (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo), state->arrays[c], row, 1, TRUE);
        }
    });
    if (!ok)
        return fail(name, state->error.describe("damaged JPEG"));
    if (missingTable)
        return fail(name, "damaged JPEG (component " + std::to_string(missingTable) + " has no quantisation table)");
    if (tooLarge)
        return fail(name, tooLargeReason(cinfo.image_width, cinfo.image_height, maxPixels));
    if (state->error.truncated)
        return fail(name, "the JPEG data ends early (truncated file)");

    std::unique_ptr<JpegCoefficients> coefficients(new JpegCoefficients(std::move(state), name));
    jpeg_decompress_struct& read = coefficients->m_state->cinfo;
    coefficients->m_width = static_cast<int>(read.image_width);
    coefficients->m_height = static_cast<int>(read.image_height);
    coefficients->m_bits = read.data_precision;
    coefficients->m_ycbcr = read.num_components == 3 && read.jpeg_color_space == JCS_YCbCr;
    coefficients->m_progressive = read.progressive_mode;
    coefficients->m_arithmetic = read.arith_code;
    coefficients->m_restartInterval = static_cast<int>(read.restart_interval);
    coefficients->m_maxH = read.max_h_samp_factor;
    coefficients->m_maxV = read.max_v_samp_factor;
    for (int c = 0; c < read.num_components; ++c) {
        const jpeg_component_info& info = read.comp_info[c];
        JpegComponentLayout layout;
        layout.hSampling = info.h_samp_factor;
        layout.vSampling = info.v_samp_factor;
        layout.widthInBlocks = static_cast<int>(info.width_in_blocks);
        layout.heightInBlocks = static_cast<int>(info.height_in_blocks);
        if (info.quant_table)
            for (int i = 0; i < 64; ++i)
                layout.quantisation[static_cast<size_t>(i)] = info.quant_table->quantval[i];
        coefficients->m_components.push_back(layout);
    }
    return coefficients;
}

std::int16_t* JpegCoefficients::block(int component, int blockRow, int blockColumn)
{
    jpeg_decompress_struct& cinfo = m_state->cinfo;
    JBLOCKARRAY row = (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo), m_state->arrays[component], static_cast<JDIMENSION>(blockRow), 1, TRUE);
    return row[0][blockColumn];
}

Result<void> JpegCoefficients::write(std::FILE* out, const WriteOptions& options)
{
    jpeg_decompress_struct& source = m_state->cinfo;
    jpeg::ErrorBridge error;
    jpeg_compress_struct cinfo {};
    jpeg::install(error, reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_create_compress(&cinfo);
    const bool ok = jpeg::guarded(error, [&] {
        jpeg::writeTo(&cinfo, out);
        jpeg_copy_critical_parameters(&source, &cinfo);
        cinfo.restart_interval = source.restart_interval;
        cinfo.arith_code = source.arith_code;
        if (source.progressive_mode) {
            jpeg_simple_progression(&cinfo);
        } else if (!source.arith_code) {
            // The standard Huffman tables keep a file that used them the same size; a file with
            // tables of its own (most cameras') gets tables made for its coefficients.
            bool standard = true;
            for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
                standard = standard && (!source.dc_huff_tbl_ptrs[i] || sameTable(source.dc_huff_tbl_ptrs[i], cinfo.dc_huff_tbl_ptrs[i]));
                standard = standard && (!source.ac_huff_tbl_ptrs[i] || sameTable(source.ac_huff_tbl_ptrs[i], cinfo.ac_huff_tbl_ptrs[i]));
            }
            cinfo.optimize_coding = standard ? FALSE : TRUE;
        }
        // EXIF must be the first segment; a JFIF marker before it confuses some readers.
        const bool hasExif = !options.segments.empty() && options.segments.front().first == 0xE1;
        cinfo.write_JFIF_header = hasExif ? FALSE : cinfo.write_JFIF_header;
        jpeg_write_coefficients(&cinfo, m_state->arrays);
        for (const auto& [marker, bytes] : options.segments)
            jpeg_write_marker(&cinfo, marker, bytes.data(), static_cast<unsigned>(bytes.size()));
        if (!options.iccProfile.empty())
            jpeg_write_icc_profile(&cinfo, options.iccProfile.data(), static_cast<unsigned>(options.iccProfile.size()));
        jpeg_finish_compress(&cinfo);
    });
    jpeg_destroy_compress(&cinfo);
    if (!ok)
        return fail(m_name, error.describe("cannot write the JPEG's coefficients"));
    if (std::ferror(out))
        return fail(m_name, "cannot write the stamped photo");
    return {};
}

Result<std::vector<std::uint8_t>> JpegCoefficients::write(const WriteOptions& options)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&buffer, &size);
    if (!memory)
        return fail(m_name, "not enough memory to write the JPEG");
    auto written = write(memory, options);
    std::fclose(memory);
    Result<std::vector<std::uint8_t>> result = written ? Result<std::vector<std::uint8_t>>(std::vector<std::uint8_t>(buffer, buffer + size)) : std::unexpected(written.error());
    std::free(buffer);
    return result;
}

}
