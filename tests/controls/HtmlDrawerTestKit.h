#pragma once
// A device for the HTML drawer's tests: every character advances 8 pixels, every font has ascent
// 12 and descent 3 (cell height 15), x height 7, 96 dots per inch; the canvas records what it is
// told to paint. Fakes for the picture source, the link opener and the string table.

#include "controls/HtmlDrawer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace htmltest {

struct TextCall {
    int x = 0;
    int y = 0;
    QString text;
    HtmlFont font;
    QRgb colour = 0;
};
struct LineCall {
    QPoint from;
    QPoint to;
    QRgb colour = 0;
    int penKind = 0;
    int penWidth = 0;
};
struct FillCall {
    QRect rect;
    HtmlFill fill;
};
struct FrameCall {
    QRect rect;
    QRgb topLeft = 0;
    QRgb bottomRight = 0;
    int penKind = 0;
    int penWidth = 0;
};
struct PictureCall {
    int id = 0;
    HtmlPictureDraw draw;
};
struct TileCall {
    int id = 0;
    QRect area;
};

class FakePicture : public HtmlPicture {
public:
    FakePicture(int id, QSize size) : id(id), m_size(size) {}
    QSize size() const override { return m_size; }
    const int id;

private:
    QSize m_size;
};

class RecordingCanvas : public HtmlCanvas {
public:
    static constexpr int kAdvance = 8;

    void setFont(const HtmlFont& font) override { m_font = font; }
    int advance(const QString& text) override { return kAdvance * static_cast<int>(text.size()); }
    int ascent() override { return 12; }
    int descent() override { return 3; }
    int xHeight() override { return 7; }
    int dpiY() override { return 96; }

    void text(int x, int y, const QString& text, QRgb colour) override {
        texts.push_back({x, y, text, m_font, colour});
    }
    void line(QPoint from, QPoint to, QRgb colour, int penKind, int penWidth) override {
        lines.push_back({from, to, colour, penKind, penWidth});
    }
    void fill(const QRect& rect, const HtmlFill& fill) override { fills.push_back({rect, fill}); }
    void frame(const QRect& rect, QRgb topLeft, QRgb bottomRight, int penKind, int penWidth) override {
        frames.push_back({rect, topLeft, bottomRight, penKind, penWidth});
    }
    void picture(const HtmlPicture& picture, const HtmlPictureDraw& draw) override {
        pictures.push_back({static_cast<const FakePicture&>(picture).id, draw});
    }
    void tile(const HtmlPicture& picture, const QRect& area) override {
        tiles.push_back({static_cast<const FakePicture&>(picture).id, area});
    }

    // All painted text, in painting order.
    QString paintedText() const {
        QString all;
        for (const TextCall& call : texts)
            all += call.text;
        return all;
    }
    // The first text call whose text contains `piece`.
    const TextCall* find(const QString& piece) const {
        for (const TextCall& call : texts)
            if (call.text.contains(piece))
                return &call;
        return nullptr;
    }
    bool nothingPainted() const {
        return texts.empty() && lines.empty() && fills.empty() && frames.empty() && pictures.empty() && tiles.empty();
    }

    std::vector<TextCall> texts;
    std::vector<LineCall> lines;
    std::vector<FillCall> fills;
    std::vector<FrameCall> frames;
    std::vector<PictureCall> pictures;
    std::vector<TileCall> tiles;

private:
    HtmlFont m_font;
};

// Pictures by number (bitmaps and icons share the numbers) and by file name.
class FakePictureSource : public HtmlPictureSource {
public:
    std::unique_ptr<HtmlPicture> bitmap(int id) override { return make(id); }
    std::unique_ptr<HtmlPicture> bitmapFile(const QString& path) override {
        const auto found = files.find(path);
        return found == files.end() ? nullptr : make(found->second);
    }
    std::unique_ptr<HtmlPicture> icon(int id, QSize requested) override {
        iconRequests.push_back(requested);
        auto picture = make(id);
        return picture ? std::make_unique<FakePicture>(id, requested) : nullptr;
    }
    std::unique_ptr<HtmlPicture> iconFile(const QString& path, QSize requested) override {
        const auto found = files.find(path);
        return found == files.end() ? nullptr : icon(found->second, requested);
    }

    std::map<int, QSize> sizes;
    std::map<QString, int> files;
    std::vector<QSize> iconRequests;

private:
    std::unique_ptr<HtmlPicture> make(int id) {
        const auto found = sizes.find(id);
        return found == sizes.end() ? nullptr : std::make_unique<FakePicture>(id, found->second);
    }
};

class FakeLinkOpener : public HtmlLinkOpener {
public:
    void openUrl(const QString& address) override { opened.push_back(address); }
    std::vector<QString> opened;
};

class FakeStrings : public HtmlStringTable {
public:
    QString string(unsigned id) const override {
        const auto found = texts.find(id);
        return found == texts.end() ? QString() : found->second;
    }
    std::map<unsigned, QString> texts;
};

// Measures the markup, then paints it into a rectangle at (0, 0) of the given width (the
// measured width when -1) and the measured height.
struct Rendering {
    QSize size;
    RecordingCanvas canvas;
};

inline Rendering render(CPPHtmlDrawer& drawer, const QString& markup, int paintWidth = -1) {
    Rendering result;
    RecordingCanvas measurer;
    result.size = drawer.MeasureMarkup(measurer, markup);
    const int width = paintWidth >= 0 ? paintWidth : result.size.width();
    drawer.RenderMarkup(result.canvas, QRect(0, 0, width, result.size.height()));
    return result;
}

inline Rendering paintAgain(CPPHtmlDrawer& drawer, QSize size) {
    Rendering result;
    result.size = size;
    drawer.RenderMarkup(result.canvas, QRect(QPoint(0, 0), size));
    return result;
}

} // namespace htmltest
