// A Qt generic plugin that lets a test drive an installed program's message boxes from outside:
// it presses OK on each box as it appears and writes the box's text to standard error.
// Loaded by QT_PLUGIN_PATH=<this plugins folder> QT_QPA_GENERIC_PLUGINS=velmoraanswer.

#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace {

class OkAnswerer : public QObject {
public:
    OkAnswerer() {
        connect(&poll_, &QTimer::timeout, this, &OkAnswerer::answer);
        poll_.start(20);
    }

private:
    void answer() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible()) {
                continue;
            }
            std::fprintf(stderr, "message box: %s\n", box->text().toUtf8().constData());
            std::fflush(stderr);
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                box->reject();
            }
        }
    }

    QTimer poll_;
};

} // namespace

class AnswerPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "answer_plugin.json")

public:
    QObject* create(const QString& key, const QString& /*specification*/) override {
        return key.compare(QStringLiteral("velmoraanswer"), Qt::CaseInsensitive) == 0
                   ? new OkAnswerer
                   : nullptr;
    }
};

#include "answer_plugin.moc"
