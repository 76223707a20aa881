// Changes the diary named on the command line at random until it is killed: adds, changes and deletes
// entries and undoes deletions, sets, changes and removes its password, encrypts it and scrambles it again, imports
// entries of the old diary
// "s.drb" beside it, exports it to "out.txt", imports the old diary into a new one, "n.qnb", and restores
// dated copies, which it keeps in "backups" beside the diary, its clock a day further at every step. Before each step
// it says on standard output which step it takes and what the diary will hold once it is done ("next <step> <digest>"),
// and after it what the diary holds ("done <digest>"); the crash loop test checks the diary and the files beside it
// against these. Children of odd seeds replace files as on a file system that cannot exchange names.

#include "crashloop.h"
#include "import/importentries.h"
#include "import/olddiary.h"

#include <sodium.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <unistd.h>

namespace
{

void say(const QByteArray& what)
{
    const QByteArray line = what + '\n';
    (void)::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
}

// The texts the diary will hold once `selection` of `source` is imported: the same import, made on a
// copy of it in a folder of its own.
QStringList importedInto(const QString& path, const OldDiarySource& source, const ImportSelection& selection)
{
    const QTemporaryDir scratch(QFileInfo(path).dir().filePath(QStringLiteral("scratch-XXXXXX")));
    const QString copy = scratch.filePath(QStringLiteral("c.qnb"));
    QFile::copy(path, copy);
    DiaryDocument copied;
    copied.open(copy, testfiles::knowingThePassword());
    copied.importEntries(source, selection);
    return crashloop::contentsOf(copy).second;
}

// The bytes a password of the digests is given as: an encrypted diary's passphrase without its mark.
QByteArray passwordBytes(const QString& password)
{
    return toCp1251(password.startsWith(crashloop::Sealed) ? password.sliced(crashloop::Sealed.size()) : password);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QDir folder = QFileInfo(path).dir();
    DiaryDocument diary;
    if (!diary.open(path, testfiles::knowingThePassword()))
        return 2;
    OldDiarySource source;
    if (source.recognise(folder.filePath(QStringLiteral("s.drb"))) != OldDiarySource::Outcome::Recognised)
        return 2;
    const QDate firstDay = QDate(2027, 1, 1).addDays(QByteArray(argv[2]).toLongLong() * 100);
    int serial = 0;
    diary.setBackupPlace(folder.filePath(crashloop::BackupFolder), {true, 7});
    diary.setBackupClock([&] { return QDateTime(firstDay.addDays(serial), QTime(12, 0)); });
    diary.setPassphraseCost(
        [] { return KeyDerivation::fresh(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN); });
    auto [password, texts] = crashloop::contentsOf(path);
    // The rows and texts of the entries deleted, the last deleted last.
    QList<std::pair<int, QString>> deleted;
    say("done " + crashloop::digest(password, texts));

    // Every other child writes as on a file system that cannot exchange names.
    if (QByteArray(argv[2]).toUInt() % 2)
        setReplaceFaultHook([](ReplaceStep step) {
            if (step == ReplaceStep::Exchange)
                throw ExchangeRefused();
        });
    QRandomGenerator random(QByteArray(argv[2]).toUInt());
    const QStringList passwords{QString(), QStringLiteral("пароль"), QStringLiteral("ключ")};
    for (;; ++serial) {
        // Texts of up to 4000 characters fill several pages of a record: a torn one shows.
        const QString text = QStringLiteral("%1.%2 ").arg(argv[2]).arg(serial) +
                             QString(int(random.bounded(4000)), QChar(0x430 + serial % 32));
        // The copies listed stay until a restore takes one: none is being thinned out meanwhile.
        diary.waitForBackups();
        const std::vector<BackupCopy> copies = diary.backupCopies();
        int step = texts.size() < 3    ? crashloop::Add
                   : texts.size() > 30 ? crashloop::Delete
                                       : int(random.bounded(qsizetype(crashloop::Steps.size())));
        if ((step == crashloop::Undo && deleted.isEmpty()) || (step == crashloop::Restore && copies.empty()))
            step = crashloop::Add;
        const QString copy = copies.empty() ? QString() : copies[size_t(random.bounded(qsizetype(copies.size())))].path;
        const int row = texts.isEmpty() ? 0 : int(random.bounded(qsizetype(texts.size())));
        QString nextPassword = password;
        QStringList next = texts;
        ImportSelection selection{ImportChoice::Picked, std::vector<bool>(5)};
        if (step == crashloop::Add) {
            next << text;
        } else if (step == crashloop::Change) {
            next[row] = text;
        } else if (step == crashloop::Delete) {
            next.removeAt(row);
        } else if (step == crashloop::Rekey) {
            const bool encrypted = password.startsWith(crashloop::Sealed);
            while (nextPassword == password)
                nextPassword =
                    encrypted ? crashloop::Sealed + passwords[1 + random.bounded(2)] : passwords[random.bounded(3)];
        } else if (step == crashloop::Encrypt) {
            nextPassword = password.startsWith(crashloop::Sealed)
                               ? passwords[random.bounded(3)]
                               : crashloop::Sealed + passwords[1 + random.bounded(2)];
        } else if (step == crashloop::Import) {
            selection.picked[size_t(random.bounded(5))] = true;
            selection.picked[size_t(random.bounded(5))] = true;
            next = importedInto(path, source, selection);
        } else if (step == crashloop::Undo) {
            next.insert(deleted.last().first, deleted.last().second);
        } else if (step == crashloop::Restore) {
            std::tie(nextPassword, next) = crashloop::contentsOf(copy);
        }
        say("next " + crashloop::Steps[step].toUtf8() + ' ' + crashloop::digest(nextPassword, next));
        if (step == crashloop::Add) {
            diary.add(text);
        } else if (step <= crashloop::Delete) {
            diary.viewEntry(row);
            step == crashloop::Change ? diary.change(text) : diary.deleteViewedEntry();
            if (step == crashloop::Delete)
                deleted.append({row, texts[row]});
        } else if (step == crashloop::Rekey) {
            diary.rekey(passwordBytes(nextPassword));
        } else if (step == crashloop::Encrypt) {
            nextPassword.startsWith(crashloop::Sealed) ? diary.encrypt(passwordBytes(nextPassword))
                                                       : diary.decrypt(passwordBytes(nextPassword));
            deleted.clear();
        } else if (step == crashloop::Import) {
            diary.importEntries(source, selection);
            deleted.clear();
        } else if (step == crashloop::Export) {
            diary.exportEntries({true, {}}, folder.filePath(QStringLiteral("out.txt")), ExportLayout::Text);
        } else if (step == crashloop::Undo) {
            diary.undoDeletion();
            deleted.removeLast();
        } else if (step == crashloop::Restore) {
            diary.restoreCopy(copy, testfiles::knowingThePassword());
            deleted.clear();
        } else {
            QFile::remove(folder.filePath(QStringLiteral("n.qnb")));
            importIntoNewDiary(source, {}, folder.filePath(QStringLiteral("n.qnb")), {}, {});
        }
        texts = next;
        password = nextPassword;
        say("done " + crashloop::digest(password, texts));
    }
}
