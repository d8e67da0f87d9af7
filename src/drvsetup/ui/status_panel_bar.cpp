#include "drvsetup/ui/status_panel_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace drvsetup {

StatusPanelBar::StatusPanelBar(QWidget* parent) : QWidget(parent) {
    // Lets the skin's style sheet paint the bar's background.
    setAttribute(Qt::WA_StyledBackground, true);
}

void StatusPanelBar::SetPanels(std::vector<Panel> panels) {
    panels_ = std::move(panels);
    update();
}

void StatusPanelBar::SetPanelText(int index, const QString& text) {
    if (index < 0 || index >= PanelCount()) {
        return;
    }
    panels_[static_cast<size_t>(index)].text = text;
    update(PanelRect(index));
}

QString StatusPanelBar::PanelText(int index) const {
    if (index < 0 || index >= PanelCount()) {
        return {};
    }
    return panels_[static_cast<size_t>(index)].text;
}

QRect StatusPanelBar::PanelRect(int index) const {
    if (index < 0 || index >= PanelCount()) {
        return {};
    }
    int left = 0;
    for (int i = 0; i < index; ++i) {
        left += panels_[static_cast<size_t>(i)].width;
    }
    // Two pixels between panels, as Windows leaves them.
    return {left + 1, 2, panels_[static_cast<size_t>(index)].width - 2, height() - 3};
}

void StatusPanelBar::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    const QColor shadow = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    for (int i = 0; i < PanelCount(); ++i) {
        const Panel& panel = panels_[static_cast<size_t>(i)];
        QRect rect = PanelRect(i);
        if (panel.ownerDrawn) {
            if (drawPanel_) {
                drawPanel_(i, rect);
            }
            continue;
        }
        // A shallow sunken bevel around each text panel.
        painter.setPen(shadow);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(light);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         panel.text);
    }
}

}  // namespace drvsetup
