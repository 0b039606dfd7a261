#ifndef MFILENAMES_H
#define MFILENAMES_H

#include <QString>

class MObjectsListCache;

namespace Tolvo {

// How a numeric suffix is written after a base name.
enum FileNameSuffixStyle {
    PlainSuffix = 0,       // "Report 2.pdf"
    ParenthesisSuffix = 1, // "Report (2).pdf"
    BracketSuffix = 2      // "Report [2].pdf"; any other value too
};

} // namespace Tolvo

// Whether path has a ".." component, which would let it reach outside the folder it names.
bool mPathHasParentComponent(const QString &path);

// Whether name names one entry of its folder: never the folder itself, its parent or an entry
// further down.
bool mIsPlainName(const QString &name);

// Whether filePath is basePath or lies below it, comparing whole components.
bool mPathIsUnder(const QString &filePath, const QString &basePath);

// The next candidate name for path: a suffix of the style is appended to the base name (up to
// the first dot), or its one-digit number incremented ("a 9.txt" gives "a 10.txt", which gives
// "a 10 2.txt"). A null string for a path with a ".." component.
QString mIncrementNumericFileNameSuffix(const QString &path, Tolvo::FileNameSuffixStyle style);

// The first candidate, path itself included, that the listing cache knows no object at. Only
// the cache is consulted: a name in a folder never listed counts as free. A null string for a
// path with a ".." component.
QString mSuggestedFilePath(const QString &path, const MObjectsListCache &cache,
                           Tolvo::FileNameSuffixStyle style = Tolvo::PlainSuffix);

#endif // MFILENAMES_H
