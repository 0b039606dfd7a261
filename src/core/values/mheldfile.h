#ifndef MHELDFILE_H
#define MHELDFILE_H

#include <QByteArray>

#include <memory>

// A file of one of the program's folders, held open together with the folder it was opened in:
// what is read, checked and finally moved goes through these descriptors, so a link or another
// file put at its path meanwhile is never taken for it. Copies share the descriptors, which
// close with the last copy.
class MHeldFile
{
public:
    MHeldFile() = default;
    // Takes over both descriptors; name is the file's entry in folder.
    MHeldFile(int folder, const QByteArray &name, int file);

    bool isValid() const { return bool(d); }
    int handle() const;       // the file's descriptor; -1 when nothing is held
    int folderHandle() const; // the folder's
    QByteArray name() const;
    // Whether name in folder is the held file and the file has no other name: a hard link
    // made elsewhere would receive whatever is written to it.
    bool isAt(int folder, const QByteArray &name) const;
    bool isInPlace() const;

private:
    struct Handles;
    std::shared_ptr<const Handles> d;
};

#endif // MHELDFILE_H
