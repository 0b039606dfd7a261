#ifndef INDTEXTVIEWMETADATA_H
#define INDTEXTVIEWMETADATA_H

#include <QPointer>
#include <QWidget>

#include <functional>

// A registered text view and what its owner wants copied of the part selected in it.
struct INDTextViewMetadata
{
    // Takes the text selected in the view and answers the text to copy in its place.
    using TransformationBlock = std::function<QString(const QString &)>;

    QPointer<QWidget> textView;
    TransformationBlock transformationBlock;
};

#endif // INDTEXTVIEWMETADATA_H
