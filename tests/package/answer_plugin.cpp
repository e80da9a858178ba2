// A Qt generic plugin that lets a test drive an installed program's message boxes from outside:
// it presses OK on each box as it appears and writes the box's text to standard error.
// Loaded by QT_PLUGIN_PATH=<this plugins folder> QT_QPA_GENERIC_PLUGINS=velmoraanswer.

#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

class AnswerPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "answer_plugin.json")

public:
    // Loaded only by the name its metadata gives.
    QObject* create(const QString& /*key*/, const QString& /*argument*/) override {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box != nullptr && box->isVisible()) {
                    std::fprintf(stderr, "message box: %s\n", qPrintable(box->text()));
                    box->button(QMessageBox::Ok)->click(); // every box of ours has OK
                }
            }
        });
        poll->start(20);
        return poll;
    }
};

#include "answer_plugin.moc"
