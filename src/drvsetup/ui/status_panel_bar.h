#pragma once

// A status bar of fixed-width panels, as the installer window has: text panels, and owner-drawn panels
// whose drawing is left to a handler (the installer places its progress bar in one).

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace drvsetup {

class StatusPanelBar : public QWidget {
    Q_OBJECT

  public:
    struct Panel {
        int width = 0;
        QString text;
        bool ownerDrawn = false;
    };
    // Called for each owner-drawn panel while the bar paints, with the panel's rectangle.
    using DrawPanelHandler = std::function<void(int index, const QRect& rect)>;

    explicit StatusPanelBar(QWidget* parent = nullptr);

    void SetPanels(std::vector<Panel> panels);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    // Nothing happens for an index outside the panels; an empty text is read there.
    void SetPanelText(int index, const QString& text);
    QString PanelText(int index) const;
    // Panels sit side by side from the left edge, the full height of the bar less a one-pixel border.
    QRect PanelRect(int index) const;

    void SetDrawPanelHandler(DrawPanelHandler handler) { drawPanel_ = std::move(handler); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<Panel> panels_;
    DrawPanelHandler drawPanel_;
};

}  // namespace drvsetup
