// A reading shown in large digits, read from across the room: the digits fill the label's
// height and shrink only when the tile is low (a small screen) or the text would not fit its
// width (a test time of 100 hours and more), so no digit is ever cut off.
#pragma once

#include <QLabel>

namespace dcload::ui {

class ReadingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ReadingLabel(QWidget* parent = nullptr);

    // The font the text is drawn with at the present size.
    QFont fittedFont() const;
    QSize sizeHint() const override;   // room for the largest digits
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int heightFor(int px) const;   // the label's height that shows digits of px pixels whole

    static constexpr int kLargestPx = 44;
    static constexpr int kSmallestPx = 12;
};

} // namespace dcload::ui
