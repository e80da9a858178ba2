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
    QObject* create(const QString& key, const QString& /*specification*/) override {
        if (key.compare(QStringLiteral("velmoraanswer"), Qt::CaseInsensitive) != 0) {
            return nullptr;
        }
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box != nullptr && box->isVisible()) {
                    std::fprintf(stderr, "message box: %s\n", box->text().toUtf8().constData());
                    std::fflush(stderr);
                    box->button(QMessageBox::Ok) != nullptr ? box->button(QMessageBox::Ok)->click()
                                                            : box->reject();
                }
            }
        });
        poll->start(20);
        return poll;
    }
};

#include "answer_plugin.moc"
