// Pictures, string-table texts and hyperlinks in the drawer's markup, and the mouse: hot areas
// recorded while painting, hovering and clicking, and the frames of animated image strips.

#include "controls/HtmlDrawer.h"
#include "controls/HtmlDrawerMarkup.h"
#include "controls/HtmlDrawerMath.h"

#include <algorithm>

using namespace htmldrawer;

namespace {

// The system's icon size, of which icon percentages are taken.
constexpr int kIconSize = 32;

constexpr int kShadowFlags = kHtmlEffectShadow | kHtmlEffectBlurredShadow;

} // namespace

// ---- pictures ----

int CPPHtmlDrawer::ParseImageEffects(QStringView letters) const {
    int effects = 0;
    for (const QChar c : letters) {
        switch (c.unicode()) {
        case u'g':
            effects |= kHtmlEffectGrey;
            break;
        case u'd':
            effects |= kHtmlEffectDarker;
            break;
        case u'l':
            effects |= kHtmlEffectLighter;
            break;
        case u's':
            if (m_shadowOffsetX != 0 || m_shadowOffsetY != 0)
                effects |= m_shadowBlurred ? kHtmlEffectBlurredShadow : kHtmlEffectShadow;
            break;
        default:
            break;
        }
    }
    return effects;
}

ImageParams CPPHtmlDrawer::ParseImageAttributes(const std::vector<Attribute>& attributes) {
    ImageParams params;
    for (const Attribute& attribute : attributes) {
        const QString& name = attribute.name;
        const QString& value = attribute.value;
        if (name == u"index")
            params.index = ParseLength(value, params.index, false);
        else if (name == u"idres")
            params.idres = ParseLength(value, params.idres, false);
        else if (name == u"iddll")
            params.iddll = ParseLength(value, params.iddll, false);
        else if (name == u"handle")
            params.handle = ParseLength(value, params.handle, false);
        else if (name == u"cx")
            params.frameWidth = ParseLength(value, params.frameWidth, false);
        else if (name == u"cy")
            params.frameHeight = ParseLength(value, params.frameHeight, false);
        else if (name == u"speed")
            params.speed = ParseLength(value, params.speed, false);
        else if (name == u"width") {
            params.width = ParseLength(value, params.width, false);
            params.widthIsPercent = value.endsWith(u'%') ? 1 : 0;
        } else if (name == u"height") {
            params.height = ParseLength(value, params.height, false);
            params.heightIsPercent = value.endsWith(u'%') ? 1 : 0;
        } else if (name == u"file") {
            if (!value.isEmpty())
                params.file = value;
        } else if (name == u"srcdll") {
            if (!value.isEmpty())
                params.srcdll = value;
        } else if (name == u"mask") {
            params.maskColour = ParseColour(value, params.maskColour);
            params.maskGiven = 1;
        } else if (name == u"style") {
            params.effects = ParseImageEffects(value);
            params.hotEffects = params.effects;
        } else if (name == u"hotstyle") {
            params.hotEffects = ParseImageEffects(value);
        }
    }
    return params;
}

void CPPHtmlDrawer::pictureElement(int tagNumber, const std::vector<Attribute>& attributes) {
    const ImageParams params = ParseImageAttributes(attributes);
    // Pictures come from the program's artwork by number or from files. A library module named in
    // markup ("iddll", "srcdll") is never loaded and a raw handle ("handle") never trusted: such
    // pictures draw nothing, and neither does an "ilst" that names no source (the drawer has no
    // image list of its own).
    if (!m_pictures || (params.idres == 0 && params.file.isEmpty()))
        return;

    std::unique_ptr<HtmlPicture> picture;
    HtmlPictureDraw draw;
    if (tagNumber == kTagIcon) {
        const QSize requested(params.widthIsPercent ? clampCoord(MulDiv(kIconSize, params.width, 100)) : params.width,
                              params.heightIsPercent ? clampCoord(MulDiv(kIconSize, params.height, 100))
                                                     : params.height);
        picture = params.idres != 0 ? m_pictures->icon(params.idres, requested)
                                    : m_pictures->iconFile(params.file, requested);
        if (!picture)
            return;
        draw.kind = HtmlPictureDraw::Kind::Icon;
        draw.size = picture->size();
        placePicture(picture.get(), draw, params, false);
        return;
    }

    picture = params.idres != 0 ? m_pictures->bitmap(params.idres) : m_pictures->bitmapFile(params.file);
    if (!picture)
        return;
    const QSize bitmapSize = picture->size();
    if (tagNumber == kTagBitmap) {
        draw.kind = HtmlPictureDraw::Kind::Bitmap;
        draw.size =
            QSize(params.widthIsPercent ? clampCoord(MulDiv(bitmapSize.width(), params.width, 100)) : params.width,
                  params.heightIsPercent ? clampCoord(MulDiv(bitmapSize.height(), params.height, 100)) : params.height);
        placePicture(picture.get(), draw, params, false);
        return;
    }
    if (tagNumber != kTagImageList)
        return;

    // A strip of frames, left to right, then top to bottom. Without cx and cy the frames are
    // square, as high as the strip (or as wide, when that is smaller).
    int frameWidth = params.frameWidth;
    int frameHeight = params.frameHeight;
    if (frameWidth != 0 && frameHeight == 0)
        frameHeight = frameWidth;
    else if (frameHeight != 0 && frameWidth == 0)
        frameWidth = frameHeight;
    else if (frameWidth == 0 && frameHeight == 0)
        frameWidth = frameHeight = std::min(bitmapSize.width(), bitmapSize.height());
    // A strip without frames (an empty picture) draws nothing.
    if (frameWidth <= 0 || frameHeight <= 0)
        return;
    const int frameCount = (bitmapSize.width() / frameWidth) * (bitmapSize.height() / frameHeight);
    int frame = params.index;
    if (params.speed != 0) {
        if (measuring()) {
            m_animations.push_back(AnimationState{params.index, frameCount, 0, params.speed});
        } else {
            ++m_animationCounter;
            if (static_cast<size_t>(m_animationCounter) < m_animations.size())
                frame = m_animations[static_cast<size_t>(m_animationCounter)].frame;
        }
    }
    if (frameCount <= 0 || frame < 0 || frame >= frameCount)
        return;
    draw.kind = HtmlPictureDraw::Kind::StripFrame;
    draw.frame = frame;
    draw.frameSize = QSize(frameWidth, frameHeight);
    draw.size = QSize(params.widthIsPercent ? clampCoord(MulDiv(frameWidth, params.width, 100)) : params.width,
                      params.heightIsPercent ? clampCoord(MulDiv(frameHeight, params.height, 100)) : params.height);
    placePicture(picture.get(), draw, params, true);
}

void CPPHtmlDrawer::placePicture(const HtmlPicture* picture, HtmlPictureDraw draw, const ImageParams& params,
                                 bool occupiedHeight) {
    draw.size = QSize(clampLength(draw.size.width()), clampLength(draw.size.height()));
    const QSize drawn = draw.size;
    const bool hasSize = drawn.width() != 0 || drawn.height() != 0;
    const bool shadow = ((params.effects | params.hotEffects) & kShadowFlags) != 0;
    QSize occupied = drawn;
    if (hasSize && shadow)
        occupied = QSize(clampCoord(static_cast<long long>(drawn.width()) + m_shadowOffsetX),
                         clampCoord(static_cast<long long>(drawn.height()) + m_shadowOffsetY));

    const int lineWidth = m_rect.width();
    if (m_maxWidth != 0 && lineWidth != 0 && m_rect.left + lineWidth - m_x < occupied.width()) {
        m_line.wrapped = 1;
        BreakLine(1);
    }
    if (measuring())
        m_line.align = m_style.textAlign;
    const int y = PlaceObject(m_y, occupiedHeight ? occupied.height() : drawn.height());

    if (!measuring() && hasSize) {
        AddHotArea(m_x, y, clampCoord(static_cast<long long>(m_x) + occupied.width()),
                   clampCoord(static_cast<long long>(y) + occupied.height()));
        const bool hovered = m_style.linkKind != kHtmlLinkNone && m_linkCounter == m_hoveredLink;
        int effects = hovered ? params.hotEffects : params.effects;
        // Disabled: the picture in the disabled colour, its shadow kept.
        if (!m_coloursEnabled)
            effects = (effects & 0xFF00) | kHtmlEffectDisabled;
        draw.at = QPoint(m_x, y);
        draw.effects = effects;
        draw.useMask = params.maskGiven != 0;
        draw.maskColour = params.maskColour;
        draw.shadow = shadow;
        draw.shadowOffset = QPoint(m_shadowOffsetX, m_shadowOffsetY);
        draw.blur = QSize(m_shadowBlurX, m_shadowBlurY);
        draw.colour = m_coloursEnabled ? m_shadowColour : m_disabledColour;
        m_canvas->picture(*picture, draw);
        m_lineContentLeft -= occupied.width();
    }
    m_x = clampCoord(static_cast<long long>(m_x) + occupied.width());
}

bool CPPHtmlDrawer::StepAnimation() {
    bool changed = false;
    for (AnimationState& animation : m_animations) {
        if (animation.frameCount <= 0)
            continue;
        if (++animation.tick >= animation.speed) {
            animation.frame = animation.frame + 1 >= animation.frameCount ? 0 : animation.frame + 1;
            animation.tick = 0;
            changed = true;
        }
    }
    return changed;
}

// ---- strings ----

QString CPPHtmlDrawer::LoadResourceLine(unsigned id, int line) const {
    if (id == 0 || !m_strings || line < 0)
        return {};
    const QStringList parts = m_strings->string(id).split(u'\n');
    return line < parts.size() ? parts[line] : QString();
}

void CPPHtmlDrawer::stringElement(const std::vector<Attribute>& attributes) {
    int number = 0;
    for (const Attribute& attribute : attributes) {
        if (attribute.name == u"idres")
            number = ParseLength(attribute.value, number, false);
        else if (attribute.name == u"iddll")
            number = ParseLength(attribute.value, 0, false);
    }
    if (number == 0)
        return;
    // One text part as it is: not wrapped, transformed or read as markup, and no part of a
    // justified line's spreading.
    const QString text = m_strings ? m_strings->string(static_cast<unsigned>(number)) : QString();
    setJustification(0, 0);
    const int width = measureText(text);
    const int height = m_fontAscent + m_fontDescent;
    if (measuring())
        m_line.align = m_style.textAlign;
    const int y = PlaceText(m_y, height);
    if (!measuring()) {
        AddHotArea(m_x, y, clampCoord(static_cast<long long>(m_x) + width), y + height);
        drawText(text, m_x, y, width);
        m_lineContentLeft -= width;
    }
    m_x = clampCoord(static_cast<long long>(m_x) + width);
}

// ---- links and the mouse ----

void CPPHtmlDrawer::openLink(const std::vector<Attribute>& attributes) {
    // Without "href" or "msg" the element is still a link: it reacts to hovering, but neither
    // shows the link cursor nor does anything when clicked.
    m_style.linkKind = kHtmlLinkMessage;
    m_style.linkTarget.clear();
    for (const Attribute& attribute : attributes) {
        if (attribute.name == u"href") {
            m_style.linkKind = kHtmlLinkAddress;
            if (!attribute.value.isEmpty())
                m_style.linkTarget = attribute.value;
        } else if (attribute.name == u"msg") {
            m_style.linkKind = kHtmlLinkMessage;
            if (!attribute.value.isEmpty())
                m_style.linkTarget = attribute.value;
        }
    }
    ++m_linkCounter;
    ApplyStyleClass(m_linkCounter == m_hoveredLink ? QStringLiteral("a:hover") : QStringLiteral("a:link"), m_style);
}

void CPPHtmlDrawer::AddHotArea(int left, int top, int right, int bottom) {
    if (m_style.linkKind == kHtmlLinkNone)
        return;
    m_hotAreas.push_back(HotArea{left, top, right, bottom, m_style.linkKind, m_linkCounter, m_style.linkTarget});
}

int CPPHtmlDrawer::HitTestHotArea(QPoint point) const {
    for (size_t i = 0; i < m_hotAreas.size(); ++i) {
        const HotArea& area = m_hotAreas[i];
        if (point.x() >= area.left && point.x() <= area.right && point.y() >= area.top && point.y() <= area.bottom)
            return static_cast<int>(i);
    }
    return -1;
}

void CPPHtmlDrawer::SendHoverNotify(int linkNumber) {
    if (m_hoverNotify)
        m_hoverNotify(linkNumber);
}

bool CPPHtmlDrawer::TrackCursor(QPoint point) {
    const int hit = HitTestHotArea(point);
    if (hit >= 0) {
        const HotArea& area = m_hotAreas[static_cast<size_t>(hit)];
        const QString target = area.target; // the notified owner may paint again
        if (area.linkNumber != m_hoveredLink) {
            m_hoveredLink = area.linkNumber;
            SendHoverNotify(m_hoveredLink);
        }
        return !target.isEmpty();
    }
    if (m_hoveredLink != -2) {
        m_hoveredLink = -2;
        SendHoverNotify(-2);
    }
    return false;
}

void CPPHtmlDrawer::ClickAt(QPoint point) {
    const int hit = HitTestHotArea(point);
    if (hit >= 0)
        FollowLink(hit);
}

void CPPHtmlDrawer::FollowLink(int index) {
    const HotArea area = m_hotAreas[static_cast<size_t>(index)];
    if (area.target.isEmpty())
        return;
    // Addresses go to the shell's "open"; this program gives message links no receiver.
    if (area.linkKind == kHtmlLinkAddress && m_linkOpener)
        m_linkOpener->openUrl(area.target);
}
