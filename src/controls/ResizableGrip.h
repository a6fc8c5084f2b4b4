#pragma once
// The parts of a resizable window besides its layout (ResizableLayout.h):
// - CResizableGrip: a size grip in the window's bottom-right corner (bottom-left in a right-to-left
//   window), shown while at least one reason to show it is set. The grip may be triangular (only
//   the corner's triangle belongs to it) and transparent (only its strokes are painted over what
//   lies beneath); its size is the style's scroll-bar extent, read again when the style changes.
// - CResizableMinMax: the smallest and largest size the user may drag the window to, applied as
//   the window's minimum and maximum size.
// - CResizableState: the window's placement written to the profile as "WindowPlacement".
// Grip and state name their window through GetLayoutWindow, which one override in the derived
// class answers for every base.

#include <QImage>
#include <QPointer>
#include <QSize>
#include <QSizeGrip>

#include <cstdint>
#include <optional>
#include <string_view>

class CResizableGrip {
public:
    class CSizeGrip : public QSizeGrip {
    public:
        explicit CSizeGrip(QWidget* parent);

        void SetTriangular(bool triangular);
        void SetTransparent(bool transparent);
        bool IsTriangular() const { return m_bTriangular; }
        bool IsTransparent() const { return m_bTransparent; }
        QSize gripSize() const { return m_size; }
        // The corner it answers to the mouse for: bottom-right, bottom-left in a right-to-left
        // window.
        Qt::Corner hitTestCorner() const;

    protected:
        void paintEvent(QPaintEvent* event) override;
        void changeEvent(QEvent* event) override;

    private:
        QSize extent() const;
        // The style changed: a new size, keeping the bottom-right corner where it is.
        void settingsChanged();

        QSize m_size;
        bool m_bTriangular = false;
        bool m_bTransparent = false;
        // The grip's own painting, made ready while transparent.
        QImage m_gripImage;
    };

    CResizableGrip() = default;
    virtual ~CResizableGrip();
    CResizableGrip(const CResizableGrip&) = delete;
    CResizableGrip& operator=(const CResizableGrip&) = delete;

    virtual QWidget* GetLayoutWindow() const = 0;

    // Creates the grip as a child of the layout window, placed and shown (or not) at once; false
    // without a window.
    bool CreateGrip(bool visible = true, bool triangular = true, bool transparent = false);
    // One reason to show the grip (bit `mask` of the caller's `status`): counted once while set.
    void ShowGrip(std::uint32_t* status, std::uint32_t mask = 1);
    void HideGrip(std::uint32_t* status, std::uint32_t mask = 1);
    bool IsGripVisible() const { return m_nShowCount > 0; }
    void SetGripVisibility(bool visible) { m_nShowCount = visible ? 1 : 0; }
    // Puts the grip into the corner, beneath its siblings, shown while IsGripVisible.
    void UpdateGripPos();

    CSizeGrip* grip() const { return m_wndGrip; }
    int showCount() const { return m_nShowCount; }

private:
    QPointer<CSizeGrip> m_wndGrip;
    int m_nShowCount = 0;
};

class CResizableMinMax {
public:
    virtual ~CResizableMinMax() = default;

    void SetMinTrackSize(const QSize& size);
    void SetMaxTrackSize(const QSize& size);
    std::optional<QSize> minTrackSize() const {
        return m_bUseMinTrack ? std::optional(m_ptMinTrackSize) : std::nullopt;
    }
    std::optional<QSize> maxTrackSize() const {
        return m_bUseMaxTrack ? std::optional(m_ptMaxTrackSize) : std::nullopt;
    }
    // The sizes that are set become the window's minimum and maximum size.
    void ApplyMinMaxInfo(QWidget& window) const;

private:
    bool m_bUseMaxTrack = false;
    bool m_bUseMinTrack = false;
    QSize m_ptMinTrackSize;
    QSize m_ptMaxTrackSize;
};

// Show commands of a placement.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;

class CResizableState {
public:
    virtual ~CResizableState() = default;

    virtual QWidget* GetLayoutWindow() const = 0;

    // Writes "left,top,right,bottom,show,flags" as "WindowPlacement" of `section` through the
    // application's profile. `rectOnly`: the window's rectangle on the screen now, shown normally,
    // no flags; otherwise its normal rectangle, its show state and flags. False without a window
    // or application, or when the write failed.
    bool SaveWindowPlacement(std::string_view section, bool rectOnly);
};
