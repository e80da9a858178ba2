// The Debian package as a user gets it: built by cpack from this tree (velmora_package_build),
// judged by Debian's own tools, and, as root, installed with dpkg, used from /usr/bin and
// removed again.

#include "reg_export.h"
#include "settings_store.h"
#include "temp_store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>

#include <unistd.h>

namespace velmora::testing {
namespace {

constexpr char kPackage[] = "velmora";
const QString kScreenshotUrlPrefix = QStringLiteral("https://github.com/velmora/velmora/raw/main/");

struct Output {
    int exitCode = -1;
    QString text; // standard output, with standard error unless the channels are kept apart
};

Output run(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
           QProcess::ProcessChannelMode channels = QProcess::MergedChannels,
           int timeoutMs = 5 * 60 * 1000) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(channels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, program + QStringLiteral(" did not run to its end: ") + process.errorString()};
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromUtf8(process.readAll())};
}

std::string show(const Output& output) {
    return QStringLiteral("exit %1\n%2").arg(output.exitCode).arg(output.text).toStdString();
}

// Package names of a Depends field, without versions, architectures or alternatives' bars.
QStringList packageNames(const QString& field) {
    QStringList names;
    for (const QString& item : field.split(QRegularExpression(QStringLiteral("[,|]")))) {
        names << item.section(QLatin1Char('('), 0, 0).section(QLatin1Char(':'), 0, 0).trimmed();
    }
    return names;
}

// The keys of a desktop entry's [Desktop Entry] group.
QMap<QString, QString> desktopEntry(const QString& path) {
    QFile file(path);
    QMap<QString, QString> keys;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return keys;
    }
    bool inEntry = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line.trimmed() == QStringLiteral("[Desktop Entry]");
        } else if (inEntry && line.contains(QLatin1Char('='))) {
            keys.insert(line.section(QLatin1Char('='), 0, 0).trimmed(),
                        line.section(QLatin1Char('='), 1).trimmed());
        }
    }
    return keys;
}

// Every value of one element (by name) or of one attribute of it in an XML file.
QStringList xmlValues(const QString& path, const QString& element,
                      const QString& attribute = QString()) {
    QFile file(path);
    QStringList values;
    if (!file.open(QIODevice::ReadOnly)) {
        return values;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == element) {
            values << (attribute.isEmpty() ? xml.readElementText()
                                           : xml.attributes().value(attribute).toString());
        }
    }
    return values;
}

class PackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QDir dir(QStringLiteral(VELMORA_DEB_DIR));
        const QStringList debs = dir.entryList({QStringLiteral("*.deb")}, QDir::Files);
        if (debs.size() == 1) {
            deb_ = dir.filePath(debs.front());
            tree_ = std::make_unique<QTemporaryDir>();
            extracted_ =
                run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb_, tree_->path()});
        }
    }
    static void TearDownTestSuite() { tree_.reset(); }

    void SetUp() override {
        ASSERT_FALSE(deb_.isEmpty())
            << "no single package in " VELMORA_DEB_DIR " (velmora_package_build writes it)";
        ASSERT_EQ(extracted_.exitCode, 0) << show(extracted_);
    }

    static QString field(const QString& name) {
        return run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb_, name}).text.trimmed();
    }

    // A path inside the unpacked package, from its root ("usr/bin").
    static QString inTree(const QString& path) { return QDir(tree_->path()).filePath(path); }

    // The package's files in one of its folders, as absolute paths inside the unpacked tree.
    static QStringList filesIn(const QString& folder, const QStringList& patterns = {}) {
        QStringList files;
        for (const QFileInfo& info :
             QDir(inTree(folder)).entryInfoList(patterns, QDir::Files, QDir::Name)) {
            files << info.filePath();
        }
        return files;
    }

    static QStringList mimeTypesDefined() {
        QStringList types;
        for (const QString& xml : filesIn(QStringLiteral("usr/share/mime/packages"))) {
            types << xmlValues(xml, QStringLiteral("mime-type"), QStringLiteral("type"));
        }
        return types;
    }

    // The types the packaged menu entries open.
    static QStringList handledTypes() {
        QStringList types;
        for (const QString& entry :
             filesIn(QStringLiteral("usr/share/applications"), {QStringLiteral("*.desktop")})) {
            types << desktopEntry(entry)
                         .value(QStringLiteral("MimeType"))
                         .split(QLatin1Char(';'), Qt::SkipEmptyParts);
        }
        return types;
    }

    static inline QString deb_;
    static inline std::unique_ptr<QTemporaryDir> tree_;
    static inline Output extracted_;
};

TEST_F(PackageTest, DependsOnEveryLinkedLibrarysPackageCalcAndTheCjkFace) {
    const QStringList depends = packageNames(field(QStringLiteral("Depends")));
    EXPECT_TRUE(depends.contains(QStringLiteral("libreoffice-calc")))
        << depends.join(", ").toStdString();
    EXPECT_TRUE(depends.contains(QStringLiteral("fonts-noto-cjk")))
        << depends.join(", ").toStdString();

    const QStringList programs = filesIn(QStringLiteral("usr/bin"));
    ASSERT_FALSE(programs.isEmpty());
    const QRegularExpression needed(QStringLiteral("\\(NEEDED\\).*\\[(.+)\\]"));
    for (const QString& program : programs) {
        const Output dynamic = run(QStringLiteral("readelf"), {QStringLiteral("-d"), program});
        ASSERT_EQ(dynamic.exitCode, 0) << show(dynamic);
        for (auto it = needed.globalMatch(dynamic.text); it.hasNext();) {
            const QString soname = it.next().captured(1);
            // "libqt6core6:amd64: /usr/lib/x86_64-linux-gnu/libQt6Core.so.6"
            const Output owners = run(QStringLiteral("dpkg-query"),
                                      {QStringLiteral("-S"), QStringLiteral("*/") + soname});
            QStringList packages;
            for (const QString& line : owners.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (line.endsWith(QLatin1Char('/') + soname)) {
                    packages << packageNames(line.section(QStringLiteral(": "), 0, 0));
                }
            }
            EXPECT_TRUE(std::any_of(packages.cbegin(), packages.cend(),
                                    [&](const QString& p) { return depends.contains(p); }))
                << QFileInfo(program).fileName().toStdString() << " needs " << soname.toStdString()
                << " from " << packages.join(", ").toStdString()
                << ", not in Depends: " << depends.join(", ").toStdString();
        }
    }
}

TEST_F(PackageTest, ManPagesReleaseNotesOfThisVersionAndMenuEntriesWithProgramIconAndTypes) {
    for (const QString& program : filesIn(QStringLiteral("usr/bin"))) {
        EXPECT_TRUE(QFile::exists(inTree(
            QStringLiteral("usr/share/man/man1/%1.1.gz").arg(QFileInfo(program).fileName()))))
            << "no man page for " << program.toStdString();
    }
    const QString version = field(QStringLiteral("Version"));
    const QStringList entries =
        filesIn(QStringLiteral("usr/share/applications"), {QStringLiteral("*.desktop")});
    ASSERT_FALSE(entries.isEmpty());
    const QStringList types = mimeTypesDefined();
    for (const QString& entry : entries) {
        SCOPED_TRACE(entry.toStdString());
        const QMap<QString, QString> keys = desktopEntry(entry);
        const QString program = keys.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0);
        EXPECT_TRUE(QFileInfo(inTree(QStringLiteral("usr/bin/") + program)).isExecutable())
            << "Exec=" << program.toStdString();
        if (keys.contains(QStringLiteral("Icon"))) {
            const QString icon = keys.value(QStringLiteral("Icon"));
            QDirIterator icons(inTree(QStringLiteral("usr/share/icons/hicolor")),
                               {icon + QStringLiteral(".svg"), icon + QStringLiteral(".png")},
                               QDir::Files, QDirIterator::Subdirectories);
            EXPECT_TRUE(icons.hasNext()) << "no hicolor icon " << icon.toStdString();
        }
        for (const QString& type :
             keys.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            EXPECT_TRUE(types.contains(type)) << type.toStdString() << " is defined nowhere";
        }
    }
    const QStringList metainfos =
        filesIn(QStringLiteral("usr/share/metainfo"), {QStringLiteral("*.metainfo.xml")});
    ASSERT_FALSE(metainfos.isEmpty());
    for (const QString& metainfo : metainfos) {
        for (const QString& launchable : xmlValues(metainfo, QStringLiteral("launchable"))) {
            EXPECT_TRUE(
                QFile::exists(inTree(QStringLiteral("usr/share/applications/") + launchable)))
                << launchable.toStdString();
        }
        // The newest release named is this one.
        const QStringList releases =
            xmlValues(metainfo, QStringLiteral("release"), QStringLiteral("version"));
        EXPECT_EQ(releases.value(0), version) << releases.join(", ").toStdString();
    }
    const Output changelog =
        run(QStringLiteral("gzip"),
            {QStringLiteral("-dc"), inTree(QStringLiteral("usr/share/doc/velmora/changelog.gz"))});
    EXPECT_TRUE(changelog.text.startsWith(QStringLiteral("velmora (%1) ").arg(version)))
        << show(changelog);
}

TEST_F(PackageTest, LintianFindsNoError) {
    const Output lintian = run(QStringLiteral("lintian"),
                               {QStringLiteral("--fail-on"), QStringLiteral("error"),
                                QStringLiteral("--tag-display-limit"), QStringLiteral("0"), deb_});
    EXPECT_EQ(lintian.exitCode, 0) << show(lintian);
    // The warnings left, for the log.
    std::cout << lintian.text.toStdString();
}

TEST_F(PackageTest, MenuEntriesAndMetainfoValidateAndShowTheCommittedScreenshots) {
    for (const QString& entry :
         filesIn(QStringLiteral("usr/share/applications"), {QStringLiteral("*.desktop")})) {
        const Output check = run(QStringLiteral("desktop-file-validate"), {entry});
        EXPECT_EQ(check.exitCode, 0) << show(check);
        EXPECT_EQ(check.text, QString()) << show(check);
    }
    for (const QString& metainfo :
         filesIn(QStringLiteral("usr/share/metainfo"), {QStringLiteral("*.metainfo.xml")})) {
        const Output check =
            run(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
        EXPECT_EQ(check.exitCode, 0) << show(check);
        const QStringList images = xmlValues(metainfo, QStringLiteral("image"));
        EXPECT_FALSE(images.isEmpty());
        for (const QString& url : images) {
            ASSERT_TRUE(url.startsWith(kScreenshotUrlPrefix)) << url.toStdString();
            EXPECT_TRUE(QFile::exists(QDir(QStringLiteral(VELMORA_SOURCE_DIR))
                                          .filePath(url.mid(kScreenshotUrlPrefix.size()))))
                << url.toStdString() << " is no committed file";
        }
    }
}

// The package tools, as root directly or through passwordless sudo.
class PackageManager {
public:
    PackageManager() {
        if (::geteuid() != 0) {
            prefix_ = {QStringLiteral("sudo"), QStringLiteral("-n")};
        }
    }

    bool usable() const {
        return prefix_.isEmpty() ||
               run(QStringLiteral("sudo"), {QStringLiteral("-n"), QStringLiteral("true")})
                       .exitCode == 0;
    }

    // dpkg with these arguments; waits while another package tool holds dpkg's lock.
    Output dpkg(const QStringList& arguments) const {
        const QStringList command = prefix_ + QStringList{QStringLiteral("dpkg")} + arguments;
        Output output;
        for (int attempt = 0; attempt < 150; ++attempt) {
            output = run(command.front(), command.mid(1));
            if (!output.text.contains(QStringLiteral("frontend lock")) &&
                !output.text.contains(QStringLiteral("database area is locked"))) {
                break;
            }
            QThread::sleep(2);
        }
        return output;
    }

    static QString status() {
        return run(QStringLiteral("dpkg-query"),
                   {QStringLiteral("-W"), QStringLiteral("-f=${Status}"),
                    QString::fromLatin1(kPackage)},
                   QProcessEnvironment::systemEnvironment(), QProcess::SeparateChannels)
            .text;
    }
    static bool installed() { return status().endsWith(QStringLiteral(" installed")); }
    static bool known() {
        const QString now = status();
        return !now.isEmpty() && !now.endsWith(QStringLiteral("not-installed"));
    }

private:
    QStringList prefix_;
};

// Purges the package however the test ends, so the machine is left as it was.
class PurgeAtExit {
public:
    explicit PurgeAtExit(const PackageManager& tools) : tools_(tools) {}
    ~PurgeAtExit() {
        if (PackageManager::known()) {
            const Output purge =
                tools_.dpkg({QStringLiteral("--purge"), QString::fromLatin1(kPackage)});
            EXPECT_EQ(purge.exitCode, 0) << show(purge);
        }
    }
    PurgeAtExit(const PurgeAtExit&) = delete;
    PurgeAtExit& operator=(const PurgeAtExit&) = delete;

private:
    const PackageManager& tools_;
};

// Every path the package holds (files and folders), and the MIME database's file of each type.
QStringList pathsOf(const QString& deb, const QStringList& mimeTypes) {
    QStringList paths;
    const Output list =
        run(QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("dpkg-deb --fsys-tarfile \"$0\" | tar -t"), deb});
    for (const QString& line : list.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString path = QDir::cleanPath(line.mid(1)); // "./usr/bin/x" -> "/usr/bin/x"
        if (path != QStringLiteral("/")) {
            paths << path;
        }
    }
    for (const QString& type : mimeTypes) {
        paths << QStringLiteral("/usr/share/mime/%1.xml").arg(type);
    }
    return paths;
}

QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST_F(PackageTest, InstallsRestoresSettingsFromUsrBinAndRemovesWithoutTrace) {
    const PackageManager tools;
    if (!tools.usable()) {
        GTEST_SKIP() << "installing a package needs root or passwordless sudo";
    }
    if (PackageManager::known()) {
        GTEST_SKIP() << "a velmora package is already on this machine ("
                     << PackageManager::status().toStdString()
                     << "); this test would replace it, so it leaves it alone";
    }
    const QStringList types = mimeTypesDefined();
    ASSERT_FALSE(types.isEmpty());
    const QStringList paths = pathsOf(deb_, types);
    ASSERT_TRUE(paths.contains(QStringLiteral("/usr/bin/velmora-restore")))
        << paths.join('\n').toStdString();
    QMap<QString, bool> existedBefore;
    for (const QString& path : paths) {
        existedBefore.insert(path, QFileInfo::exists(path));
    }
    const QString desktopCache = QStringLiteral("/usr/share/applications/mimeinfo.cache");

    {
        const PurgeAtExit purge(tools);
        const Output install = tools.dpkg({QStringLiteral("-i"), deb_});
        ASSERT_EQ(install.exitCode, 0) << show(install);
        ASSERT_TRUE(PackageManager::installed()) << PackageManager::status().toStdString();

        // The triggers of shared-mime-info and desktop-file-utils ran.
        for (const QString& type : types) {
            EXPECT_TRUE(QFile::exists(QStringLiteral("/usr/share/mime/%1.xml").arg(type)))
                << type.toStdString();
        }
        for (const QString& type : handledTypes()) {
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1=.*velmora-restore\\.desktop")
                                               .arg(QRegularExpression::escape(type)),
                                           QRegularExpression::MultilineOption)
                            .match(fileText(desktopCache))
                            .hasMatch())
                << fileText(desktopCache).toStdString();
        }
        // The main program finds every library without the build tree's search path.
        const Output libraries = run(QStringLiteral("ldd"), {QStringLiteral("/usr/bin/velmora")});
        EXPECT_EQ(libraries.exitCode, 0) << show(libraries);
        EXPECT_FALSE(libraries.text.contains(QStringLiteral("not found"))) << show(libraries);

        // Settings exported from one store, restored by /usr/bin/velmora-restore into another.
        QTemporaryDir work;
        const QString file = work.filePath(QStringLiteral("Velmora backup.reg"));
        QMap<QString, QString> exported;
        {
            const TempStore from;
            SettingsStore store;
            ASSERT_TRUE(store.SaveSetting(QStringLiteral("Combo1"), QStringLiteral("12")));
            ASSERT_TRUE(
                store.SaveSetting(QStringLiteral("save1_title"), QStringLiteral("写真 \"台帳\"")));
            QString error;
            ASSERT_TRUE(exportRegFile(store, file, &error)) << error.toStdString();
            for (const QString& name : store.valueNames()) {
                exported.insert(name, store.GetSetting(name));
            }
        }
        const TempStore to;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), to.configDir());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(VELMORA_TEST_PLUGINS));
        environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"),
                           QStringLiteral("velmoraanswer"));
        // A box nobody answers would hold it until the time-out.
        const Output restore = run(QStringLiteral("/usr/bin/velmora-restore"), {file}, environment,
                                   QProcess::MergedChannels, 2 * 60 * 1000);
        EXPECT_EQ(restore.exitCode, 0) << show(restore);
        SettingsStore restored;
        QMap<QString, QString> values;
        for (const QString& name : restored.valueNames()) {
            values.insert(name, restored.GetSetting(name));
        }
        EXPECT_EQ(values, exported) << show(restore);

        const Output remove = tools.dpkg({QStringLiteral("-r"), QString::fromLatin1(kPackage)});
        ASSERT_EQ(remove.exitCode, 0) << show(remove);
        EXPECT_FALSE(PackageManager::installed()) << PackageManager::status().toStdString();
        for (const QString& path : paths) {
            EXPECT_EQ(QFileInfo::exists(path), existedBefore.value(path)) << path.toStdString();
        }
        EXPECT_FALSE(fileText(desktopCache).contains(QStringLiteral("velmora-restore.desktop")));
    }
    EXPECT_FALSE(PackageManager::known()) << PackageManager::status().toStdString();
}

} // namespace
} // namespace velmora::testing
