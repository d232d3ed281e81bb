// A reading shown in large digits that shrink when the text would not fit its tile (a test
// time of 100 hours and more, a narrow window), so no digit is ever cut off.
#pragma once

#include <QLabel>

namespace dcload::ui {

class ReadingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ReadingLabel(QWidget* parent = nullptr);

    // The font the text is drawn with at the present size.
    QFont fittedFont() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kLargestPx = 44;
    static constexpr int kSmallestPx = 12;
};

} // namespace dcload::ui
