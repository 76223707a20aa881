// Spelling checked while typing, on an entry of 5,100 characters of ordinary Russian with misspellings mixed
// in: the whole entry checked with the verdicts cached and not, and one key typed at the end of the entry in a
// shown text box with checking on against the same key with checking off. Each figure is the median of its runs.
#include "benchdiary.h"

#include "spelling/spelldictionary.h"
#include "spelling/wordscan.h"
#include "windows/spellchecking.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int EntryChars = 5100;
constexpr int LoadRuns = 3;
constexpr int CheckRuns = 21;
constexpr int Rounds = 6;
constexpr int KeysPerRound = 72;

const char* const Words[] = {
    "сегодня",     "утром",    "вечером",    "днём",      "ночью",         "я",           "мы",          "она",
    "он",          "они",      "ты",         "вы",        "были",          "была",        "был",         "было",
    "дома",        "на",       "работе",     "в",         "городе",        "погода",      "тёплой",      "холодной",
    "солнце",      "дождь",    "снег",       "ветер",     "шли",           "гуляли",      "долго",       "думала",
    "думал",       "о",        "том",        "что",       "как",           "завтра",      "будет",       "новый",
    "день",        "письмо",   "от",         "мамы",      "папы",          "друзья",      "пришли",      "к",
    "нам",         "чай",      "пирог",      "читала",    "книгу",         "интересную",  "вспоминали",  "детство",
    "лето",        "даче",     "речка",      "лес",       "грибы",         "собирали",    "корзину",     "устала",
    "очень",       "хорошо",   "спокойно",   "немного",   "грустно",       "радостно",    "записываю",   "дневник",
    "каждый",      "вечер",    "потом",      "снова",     "опять",         "уже",         "ещё",         "совсем",
    "поздно",      "рано",     "встала",     "позвонила", "сестре",        "поговорили",  "про",         "планы",
    "брат",        "бабушка",  "дедушка",    "соседка",   "подруга",       "коллега",     "начальник",   "учительница",
    "врач",        "магазин",  "купила",     "хлеба",     "молока",        "яблоки",      "картошку",    "овощи",
    "суп",         "обед",     "ужин",       "завтрак",   "кофе",          "сварила",     "приготовила", "испекла",
    "убрала",      "квартиру", "помыла",     "окна",      "постирала",     "погладила",   "отдохнула",   "поспала",
    "проснулась",  "заснула",  "смотрела",   "фильм",     "слушала",       "музыку",      "песню",       "играли",
    "дети",        "внуки",    "собака",     "кошка",     "птицы",         "парк",        "улица",       "дорога",
    "автобус",     "поезд",    "машина",     "ехали",     "приехали",      "уехали",      "вернулись",   "встретились",
    "расстались",  "обнялись", "улыбнулась", "смеялись",  "плакала",       "волновалась", "радовалась",  "беспокоилась",
    "надеюсь",     "верю",     "люблю",      "помню",     "знаю",          "понимаю",     "хочу",        "могу",
    "должна",      "весна",    "осень",      "зима",      "июнь",          "июль",        "август",      "сентябрь",
    "октябрь",     "ноябрь",   "декабрь",    "январь",    "февраль",       "март",        "апрель",      "май",
    "понедельник", "вторник",  "среда",      "четверг",   "пятница",       "суббота",     "воскресенье", "неделя",
    "месяц",       "год",      "праздник",   "подарок",   "цветы",         "букет",       "открытка",    "гости",
    "стол",        "скатерть", "тарелки",    "чашки",     "ложки",         "свечи",       "торт",        "поздравили",
    "пожелали",    "счастья",  "здоровья",   "удачи",     "спасибо",       "пожалуйста",  "конечно",     "наверное",
    "может",       "быть",     "кажется",    "видимо",    "действительно", "большой",     "маленький",   "красивый",
    "старый",      "молодой",  "весёлый",    "тихий",     "шумный",        "светлый",     "тёмный",      "длинный",
    "короткий",    "трудный",  "лёгкий",     "важный",    "нужный",        "свободный",   "занятый",     "новости",
    "телевизор",   "телефон",  "компьютер",  "письма",    "газета",        "журнал",      "библиотека",  "школа",
    "университет", "экзамен",  "урок",       "задание",   "работа",        "отпуск",      "море",        "пляж",
    "горы",        "поход",    "палатка",    "костёр",    "рыба",          "удочка",      "лодка",       "берег",
    "волны",       "песок",    "камни",      "небо",      "облака",        "звёзды",      "луна",        "закат",
    "рассвет",     "тишина",
};
// Misspellings common in hasty writing.
const char* const Misspelt[] = {"превет", "исчо",   "сеготня",  "каторый",  "здраствуйте", "симпатичьный",
                                "вобщем", "щастье", "извените", "агенство", "придти",      "расчитывать"};

// Sentences of 5 to 14 words, a misspelling in about one word of 25, a paragraph every 4 to 7 sentences; or
// with `oneParagraph` no paragraph at all. Cut to exactly EntryChars characters.
QString russianEntry(bool oneParagraph)
{
    quint32 state = 20240601u;
    const auto next = [&state](quint32 below) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % below;
    };
    QString text;
    int sentencesLeft = 5;
    while (text.size() < EntryChars) {
        const int words = 5 + int(next(10));
        for (int w = 0; w < words; ++w) {
            QString word =
                QString::fromUtf8(next(25) == 0 ? Misspelt[next(std::size(Misspelt))] : Words[next(std::size(Words))]);
            if (w == 0)
                word[0] = word[0].toUpper();
            text += word + QLatin1String(w + 1 == words ? "." : (next(6) == 0 ? ", " : " "));
        }
        const bool paragraphEnds = !oneParagraph && --sentencesLeft == 0;
        if (paragraphEnds)
            sentencesLeft = 4 + int(next(4));
        text += QLatin1Char(paragraphEnds ? '\n' : ' ');
    }
    text.truncate(EntryChars);
    return text;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printGoal(const char* what, double measured, double goal)
{
    std::printf("%-52s %8.3f ms  (goal <= %.0f ms: %s)\n", what, measured, goal, measured <= goal ? "met" : "NOT met");
}

// Keys typed at the end of the entry, each timed from the key until the events it caused are done, the box's
// layout and painting included.
void typeKeys(QPlainTextEdit& box, SpellChecking& checking, const QString& entry, bool active,
              std::vector<double>& times)
{
    checking.setActive(active);
    box.setPlainText(entry);
    box.moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    const QString typed = QStringLiteral(" и превет сегодня вечером был тёплым");
    for (int i = 0; i < KeysPerRound; ++i) {
        const QString key = typed.mid(i % typed.size(), 1);
        times.push_back(millisecondsOf([&] {
            QTest::sendKeyEvent(QTest::Click, &box, key == QLatin1String(" ") ? Qt::Key_Space : Qt::Key_unknown, key,
                                Qt::NoModifier);
            QCoreApplication::processEvents();
        }));
    }
}

// Checking off and on take turns, so that neither gains from the other's warming up.
void measureTyping(SpellDictionary& dictionary, const char* title, const QString& entry)
{
    QPlainTextEdit box;
    box.resize(449, 289);
    SpellChecking checking(&box, dictionary, [](const QString&) {});
    box.show();
    if (!QTest::qWaitForWindowExposed(&box))
        qFatal("the text box was never shown");
    std::vector<double> off, on;
    for (int round = 0; round < Rounds; ++round) {
        typeKeys(box, checking, entry, round % 2 != 0, round % 2 != 0 ? on : off);
        typeKeys(box, checking, entry, round % 2 == 0, round % 2 == 0 ? on : off);
    }
    std::printf("%s\n", title);
    std::printf("  %-50s %8.3f ms\n", "one key, checking off:", median(off));
    std::printf("  %-50s %8.3f ms\n", "one key, checking on:", median(on));
    printGoal("  one key, on - off:", median(on) - median(off), 1.0);
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    const QString entry = russianEntry(false);

    std::vector<double> loads;
    for (int i = 0; i < LoadRuns; ++i)
        loads.push_back(millisecondsOf([] { const SpellDictionary loaded{QString()}; }));
    SpellDictionary dictionary{QString()};
    if (!dictionary.isAvailable())
        qFatal("the Russian dictionary is not installed (hunspell-ru)");
    std::printf("entry: %lld characters, %lld words, %lld of them misspelt\n", static_cast<long long>(entry.size()),
                static_cast<long long>(findWords(entry).size()),
                static_cast<long long>(misspeltWords(dictionary, entry).size()));
    std::printf("%-52s %8.3f ms  (for information)\n", "loading ru_RU and en_US:", median(loads));

    std::vector<double> cold, warm;
    for (int i = 0; i < CheckRuns; ++i) {
        dictionary.forgetVerdicts();
        cold.push_back(millisecondsOf([&] { misspeltWords(dictionary, entry); }));
        warm.push_back(millisecondsOf([&] { misspeltWords(dictionary, entry); }));
    }
    printGoal("whole entry checked, verdicts not cached:", median(cold), 10.0);
    printGoal("whole entry checked, verdicts cached:", median(warm), 2.0);

    measureTyping(dictionary, "typing at the end of the entry, in paragraphs:", entry);
    measureTyping(dictionary, "typing at the end of the entry, all one paragraph:", russianEntry(true));
    return 0;
}
