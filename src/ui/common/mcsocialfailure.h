#ifndef MCSOCIALFAILURE_H
#define MCSOCIALFAILURE_H

#include <QCoreApplication>
#include <QString>

class MOError;

// Why a social request (a message, a file, an invitation, an answer, a search) did not go
// through, as one short sentence for the user.
class MCSocialFailure
{
    Q_DECLARE_TR_FUNCTIONS(MCSocialFailure)
public:
    // The service's own message when it gave one (one plain line, bounded), else what its
    // status means: no answer, a failure on its side, or a refusal.
    static QString reason(const MOError &error);
    // What the row of an answer (to a file or an invitation) says when the answer was not
    // taken: that the service refused it, with its reason, when it did (a 4xx status, or an
    // accept it refused); that it could not take it when it failed (5xx); otherwise (a drop,
    // a timeout) that the answer did not reach it.
    static QString answerNotTaken(const MOError &error);
};

#endif // MCSOCIALFAILURE_H
