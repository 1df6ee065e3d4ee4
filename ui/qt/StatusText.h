#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

class QFontMetrics;

// A single line of text on white, optionally inside a 2-pixel frame, black when active and grey when
// not. Paints every pixel itself, so frequent text changes never flicker. Screen readers get the text as
// the control's accessible name and value, with a change event for each new text. Window thread only.
class CStatusText : public QWidget {
    Q_OBJECT

public:
    // A control with the style bits of its template (only SS_CENTER matters); no frame, inactive.
    explicit CStatusText(std::uint32_t style, QWidget* parent = nullptr);

    // Replaces the text and repaints the whole control, even when the text is unchanged; tells screen
    // readers only about a new text, or they would repeat the line at every refresh.
    void SetText(const QString& text);
    // Chooses black (true) or grey text and frame; takes effect at the next repaint.
    void SetActive(bool active);
    // Turns the frame on or off; takes effect at the next repaint.
    void SetBorder(bool border);

    // The text the control paints.
    const QString& Text() const { return m_text; }
    // The narrowest width at which the control shows its whole text in its font.
    int WholeTextWidth() const;
    // The template style bits the control was created with.
    std::uint32_t Style() const { return m_style; }

protected:
    // Paints the plan of PlanStatusTextPaint for the current size, text, font and settings.
    void paintEvent(QPaintEvent* event) override;

private:
    int TextWidth(const QFontMetrics& metrics) const;
    bool IsCentred() const;

    std::uint32_t m_style;
    bool m_border = false;
    bool m_active = false;
    QString m_text;
};
