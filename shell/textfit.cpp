#include "shell/textfit.h"
#include "shell/form1.h"

#include <QTextLayout>
#include <memory>

CaptionExtent layOutCaption(QTextLayout &layout, qreal width, qreal boxHeight)
{
    CaptionExtent extent;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, extent.height));
        extent.height += line.height();
        extent.widest = std::max(extent.widest, line.naturalTextWidth());
        if (extent.height <= boxHeight || extent.shownHeight == 0)
            extent.shownHeight = extent.height;
    }
    layout.endLayout();
    return extent;
}

bool fitsCaption(const CaptionLabel &label, const QString &text)
{
    QTextLayout layout(stripMnemonic(text), label.font(), &label);
    QTextOption option(label.alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const QRect box = label.contentsRect();
    const CaptionExtent extent = layOutCaption(layout, box.width(), box.height());
    return extent.widest <= box.width() && extent.height <= box.height();
}

TextFitTest pupilWindowFit()
{
    // A window of its own, never shown: the program's windows are left alone.
    const auto window = std::make_shared<Form1>();
    return [window](QuestionField field, const QString &text) {
        const int index = int(field) - int(QuestionField::Question);
        return index < 0 || index > 4 || fitsCaption(window->questionCaption(index), text);
    };
}
