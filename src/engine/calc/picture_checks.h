#pragma once

// Inside the Calc link: whether a picture file is one Calc can take without a dialog. A file
// Calc cannot read must never reach its view's insert command, which would answer with a
// dialog the user may not see. A paste run reads the next photos ahead, on threads of their
// own, while the office takes the one before; the insert then takes that reading, as long as
// the file is unchanged.

#include <QDateTime>
#include <QString>

#include <deque>
#include <mutex>

namespace velmora::calc {

class PictureChecks {
public:
    // Reads the file now and keeps the verdict for its insert; any thread may call it.
    void readAhead(const QString& fileName);
    // Whether the file at this absolute path can go to Calc's view: the verdict read ahead
    // for the file as it is now, or read here.
    bool readable(const QString& path);

private:
    struct Verdict {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool readable = false;
    };
    static Verdict judge(const QString& path);

    std::mutex mutex_;
    std::deque<Verdict> verdicts_;
};

} // namespace velmora::calc
