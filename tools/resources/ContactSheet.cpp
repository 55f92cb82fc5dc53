#include <resources/Canvas.h>
#include <resources/Resources.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace vd::tools {

namespace {

constexpr double kWidth = 1500;
constexpr double kPadding = 30;
const Color kBackground = Color::fromCode("#f4f4f2");
const Color kInk = Color::fromCode("#222222");
const Color kMutedInk = Color::fromCode("#666666");

// A template picture filled with one colour, as the program shows it on a layer.
Image tinted(const Image& image, const Color& colour)
{
    DrawingContext context(image.size(), DrawingContext::Opacity::Transparent, image.scale());
    cairo_t* cr = PainterAccess::cairo(context.painter());
    ImageSurface mask(image);
    cairo_scale(cr, 1 / image.scale(), 1 / image.scale());
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, colour.alpha);
    cairo_mask_surface(cr, mask.get(), 0, 0);
    return context.takeImage();
}

void checkerboard(cairo_t* cr, const Rect& rect, double cell)
{
    CairoStateSaver saver(cr);
    cairo_rectangle(cr, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 0.36, 0.37, 0.40);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.30, 0.31, 0.34);
    for (double y = rect.y(); y < rect.maxY(); y += cell)
        for (double x = rect.x() + (std::lround((y - rect.y()) / cell) % 2) * cell; x < rect.maxX(); x += 2 * cell)
            cairo_rectangle(cr, x, y, cell, cell);
    cairo_fill(cr);
}

struct Section {
    std::string title;
    std::vector<const Picture*> pictures;
    int columns;
    double cell;
    bool dark; // drawn on a checkerboard (white and translucent pictures)
};

double sectionHeight(const Section& section)
{
    const int rows = static_cast<int>((section.pictures.size() + section.columns - 1) / section.columns);
    return 40 + rows * (section.cell + 22);
}

}

Image makeContactSheet(const std::vector<Picture>& pictures, const std::vector<std::string>& colours)
{
    std::vector<Section> sections {
        { "Shapes (52): filled, thin, bold, dashed", {}, 8, 150, false },
        { "Icons (71)", {}, 12, 95, false },
        { "Tool bar and buttons (templates)", {}, 12, 95, false },
        { "Handles, thumbs, overlays and the home header", {}, 8, 150, true },
    };
    for (const auto& picture : pictures) {
        switch (picture.kind) {
        case PictureKind::Shape: sections[0].pictures.push_back(&picture); break;
        case PictureKind::Icon: sections[1].pictures.push_back(&picture); break;
        case PictureKind::Interface: sections[2].pictures.push_back(&picture); break;
        case PictureKind::Decoration: sections[3].pictures.push_back(&picture); break;
        }
    }
    const double swatch = (kWidth - 2 * kPadding) / kColourColumns;
    const int colourRows = static_cast<int>((colours.size() + kColourColumns - 1) / kColourColumns);
    double height = kPadding + 50;
    for (const auto& section : sections)
        height += sectionHeight(section) + 20;
    height += 40 + colourRows * (swatch * 0.6) + kPadding;

    DrawingContext context({ kWidth, std::ceil(height) }, DrawingContext::Opacity::Opaque, 1);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    context.fill({ 0, 0, kWidth, std::ceil(height) }, kBackground);
    drawText(cr, "Vardenico image catalogue and colour list", "DejaVu Sans Bold 20", { kPadding, kPadding }, kInk);

    // Tints cycle through the middle row of the colour list, so every hue shows on some picture.
    std::vector<Color> tints;
    for (size_t i = 0; i < kColourColumns; ++i) {
        const size_t index = static_cast<size_t>(kColourColumns) * 8 + i;
        tints.push_back(index < colours.size() ? Color::fromCode(colours[index]) : kInk);
    }

    double y = kPadding + 50;
    size_t tintIndex = 0;
    for (const auto& section : sections) {
        drawText(cr, section.title, "DejaVu Sans Bold 13", { kPadding, y }, kInk);
        y += 30;
        const double columnWidth = (kWidth - 2 * kPadding) / section.columns;
        for (size_t i = 0; i < section.pictures.size(); ++i) {
            const Picture& picture = *section.pictures[i];
            const double x = kPadding + (i % section.columns) * columnWidth;
            const double top = y + (i / section.columns) * (section.cell + 22);
            Rect frame { x + (columnWidth - section.cell) / 2 + 4, top + 4, section.cell - 8, section.cell - 8 };
            if (section.dark)
                checkerboard(cr, { frame.x() - 4, frame.y() - 4, section.cell, section.cell }, 10);
            // Pictures keep their proportions inside the cell.
            const double k = std::min(frame.width() / picture.image.size().width, frame.height() / picture.image.size().height);
            const Size shown { picture.image.size().width * k, picture.image.size().height * k };
            const Rect placed { frame.midX() - shown.width / 2, frame.midY() - shown.height / 2, shown.width, shown.height };
            if (!section.dark) {
                cairo_set_source_rgba(cr, 0, 0, 0, 0.06);
                cairo_rectangle(cr, frame.x() - 4, frame.y() - 4, section.cell, section.cell);
                cairo_fill(cr);
            }
            const Image shownImage = picture.isTemplate() ? tinted(picture.image, tints[tintIndex++ % tints.size()]) : picture.image;
            context.drawImage(shownImage, placed);
            drawText(cr, picture.name, "DejaVu Sans 9", { x, top + section.cell + 2 }, kMutedInk, columnWidth);
        }
        y += sectionHeight(section) - 30 + 20;
    }

    drawText(cr, "Colors.json (165 codes, 11 × 15)", "DejaVu Sans Bold 13", { kPadding, y }, kInk);
    y += 30;
    for (size_t i = 0; i < colours.size(); ++i) {
        const double x = kPadding + (i % kColourColumns) * swatch;
        const double top = y + (i / kColourColumns) * swatch * 0.6;
        const Color colour = Color::fromCode(colours[i]);
        context.fill({ x + 2, top + 2, swatch - 4, swatch * 0.6 - 4 }, colour);
        const double luminance = 0.2126 * colour.red + 0.7152 * colour.green + 0.0722 * colour.blue;
        drawText(cr, colours[i], "DejaVu Sans Mono 9", { x + 8, top + swatch * 0.6 - 22 }, luminance > 0.5 ? kInk : Color::whiteColor());
    }
    return context.takeImage();
}

}
