#include "hunspelllanguage.h"

#include <QFile>
#include <QFileInfo>

#include <hunspell.hxx>

namespace
{

// "<folder>/<name>", without the extension, of the first folder with both files; empty for none.
QString dictionaryBase(const QString& name, const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QString base = folder + QLatin1Char('/') + name;
        if (QFileInfo(base + QLatin1String(".aff")).isReadable() &&
            QFileInfo(base + QLatin1String(".dic")).isReadable())
            return base;
    }
    return QString();
}

} // namespace

bool HunspellLanguage::isInstalled(const QString& name, const QStringList& folders)
{
    return !dictionaryBase(name, folders).isEmpty();
}

HunspellLanguage::HunspellLanguage(const QString& name, const QStringList& folders)
{
    const QString base = dictionaryBase(name, folders);
    if (base.isEmpty())
        return;
    auto hunspell = std::make_unique<Hunspell>(QFile::encodeName(base + QLatin1String(".aff")).constData(),
                                               QFile::encodeName(base + QLatin1String(".dic")).constData());
    const std::string encoding = hunspell->get_dict_encoding();
    m_utf8 = QStringConverter::encodingForName(encoding.c_str()) == QStringConverter::Utf8;
    if (!m_utf8) {
        m_encoder = QStringEncoder(encoding.c_str(), QStringConverter::Flag::Stateless);
        m_decoder = QStringDecoder(encoding.c_str(), QStringConverter::Flag::Stateless);
        if (!m_encoder.isValid() || !m_decoder.isValid())
            return;
    }
    m_hunspell = std::move(hunspell);
}

HunspellLanguage::~HunspellLanguage() = default;

bool HunspellLanguage::encode(const QString& word, std::string& bytes)
{
    if (m_utf8) {
        bytes = word.toStdString();
        return true;
    }
    const QByteArray encoded = m_encoder.encode(word);
    bytes.assign(encoded.constData(), size_t(encoded.size()));
    // A character the encoding lacks comes out as '?', and the word would be taken for another.
    const bool whole = !m_encoder.hasError();
    m_encoder.resetState();
    return whole;
}

QString HunspellLanguage::decode(const std::string& bytes)
{
    if (m_utf8)
        return QString::fromStdString(bytes);
    const QString text = m_decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    m_decoder.resetState();
    return text;
}

bool HunspellLanguage::spell(const QString& word)
{
    std::string bytes;
    return m_hunspell && encode(word, bytes) && m_hunspell->spell(bytes);
}

QStringList HunspellLanguage::suggest(const QString& word)
{
    std::string bytes;
    QStringList found;
    if (!m_hunspell || !encode(word, bytes))
        return found;
    for (const std::string& suggestion : m_hunspell->suggest(bytes))
        found << decode(suggestion);
    return found;
}

void HunspellLanguage::add(const QString& word)
{
    std::string bytes;
    if (m_hunspell && encode(word, bytes))
        m_hunspell->add(bytes);
}
