#pragma once

// The small animation the installer shows while the Driver Package Installer works: a magnifying glass
// circling over a folder, like the "searching" animation Windows shows in the same place.

#include <QTimer>
#include <QWidget>

namespace drvsetup {

class AnimateControl : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kFrames = 30;
    // The frame shown while stopped.
    static constexpr int kStopFrame = 29;

    explicit AnimateControl(QWidget* parent = nullptr);

    void Start();
    void Stop();
    bool IsActive() const { return timer_.isActive(); }
    int Frame() const { return frame_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void NextFrame();

    QTimer timer_;
    int frame_ = kStopFrame;
};

}  // namespace drvsetup
