#include "BatchArguments.h"

#include "LiveSettings.h"
#include "SettingKeys.h"
#include "Settings.h"

#include <QFile>
#include <QSet>

namespace quenlit {

namespace {

constexpr std::array<const char*, 5> TypeNames{"pdf", "doc", "ppt", "xls", "rtf"};
// The captions of the search window's time options, then plain words for scripts.
const std::array<QString, 5> RangeNames{u"全部时间"_qs, u"1年内"_qs, u"1月内"_qs, u"1周内"_qs,
                                        u"1天内"_qs};
const std::array<QString, 5> RangeWords{u"all"_qs, u"year"_qs, u"month"_qs, u"week"_qs, u"day"_qs};
const std::array<QString, 2> ScopeNames{u"国内"_qs, u"国际"_qs};
const std::array<QString, 2> ScopeWords{u"china"_qs, u"global"_qs};
const std::array<QString, 3> ClashNames{u"跳过"_qs, u"覆盖"_qs, u"重命名"_qs};
const std::array<QString, 3> ClashWords{u"skip"_qs, u"overwrite"_qs, u"rename"_qs};

struct OptionSpec {
    QString name;
    bool takesValue;
};

const QList<OptionSpec>& Options() {
    static const QList<OptionSpec> options{
        {u"--batch"_qs, true}, {u"--types"_qs, true},         {u"--range"_qs, true},
        {u"--scope"_qs, true}, {u"--whole-phrase"_qs, false}, {u"--out"_qs, true},
        {u"--clash"_qs, true}, {u"--method"_qs, true},        {u"--threads"_qs, true},
        {u"--pause"_qs, true}, {u"--json"_qs, false},         {u"--help"_qs, false},
    };
    return options;
}

template <size_t N>
int IndexOf(const std::array<QString, N>& names, const std::array<QString, N>& words,
            const QString& value) {
    for (size_t i = 0; i < N; ++i) {
        if (value == names[i] || value.compare(words[i], Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

template <size_t N> QString Choices(const std::array<QString, N>& names) {
    QStringList list;
    for (const QString& name : names)
        list << name;
    return list.join(u'、');
}

std::optional<int> WholeNumber(const QString& value, int low, int high) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < low || number > high)
        return std::nullopt;
    return number;
}

QString Quoted(const QString& value) {
    return u"“"_qs + value + u"”"_qs;
}

} // namespace

QString TypeName(DocumentType type) {
    return QString::fromLatin1(TypeNames[size_t(type)]);
}

QString RangeName(TimeRange range) {
    return RangeNames[size_t(range)];
}

QString ScopeName(SearchScope scope) {
    return ScopeNames[size_t(scope)];
}

ParsedArguments ParseBatchArguments(const QStringList& arguments) {
    ParsedArguments parsed;
    BatchRequest& request = parsed.request;
    auto bad = [&parsed](const QString& error) {
        parsed.outcome = ParsedArguments::Outcome::Bad;
        parsed.error = error;
        return parsed;
    };
    bool anyOption = false;
    bool help = false;
    bool batch = false;
    QSet<QString> seen;
    auto seenBatchOptionLater = [&arguments](qsizetype from) {
        for (qsizetype j = from + 1; j < arguments.size(); ++j) {
            if (arguments[j].startsWith(u"--"_qs) || arguments[j] == u"-h"_qs)
                return true;
        }
        return false;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        std::optional<QString> value;
        if (name == u"-h"_qs)
            name = u"--help"_qs;
        if (!name.startsWith(u"--"_qs)) {
            // Arguments of the window toolkit ("-platform x") are left to it when no batch
            // option is given at all.
            if (anyOption || seenBatchOptionLater(i))
                return bad(u"多余的参数 "_qs + Quoted(name) + u"：每个值都要跟在它的选项后面"_qs);
            continue;
        }
        const qsizetype equals = name.indexOf(u'=');
        if (equals > 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        }
        const auto option = std::find_if(Options().begin(), Options().end(),
                                         [&name](const OptionSpec& o) { return o.name == name; });
        // Options with two dashes are ours; the window toolkit's take one ("-platform").
        if (option == Options().end())
            return bad(u"未知的选项 "_qs + name + u"（用 --help 查看所有选项）"_qs);
        anyOption = true;
        if (seen.contains(name))
            return bad(name + u" 只能给一次"_qs);
        seen.insert(name);
        if (option->takesValue && !value) {
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(u"--"_qs))
                return bad(name + u" 需要一个值"_qs);
            value = arguments[++i];
        } else if (!option->takesValue && value) {
            return bad(name + u" 不带值"_qs);
        }

        if (name == u"--help"_qs) {
            help = true;
        } else if (name == u"--batch"_qs) {
            if (value->isEmpty())
                return bad(u"--batch 需要关键词文件的路径"_qs);
            batch = true;
            request.keywordFile = *value;
        } else if (name == u"--types"_qs) {
            QList<DocumentType> types;
            for (const QString& item : value->split(u',')) {
                const QString word = item.trimmed().toLower();
                const auto found =
                    std::find_if(TypeNames.begin(), TypeNames.end(),
                                 [&word](const char* t) { return word == QLatin1String(t); });
                if (found == TypeNames.end())
                    return bad(u"--types 不认识文件类型 "_qs + Quoted(item.trimmed()) +
                               u"，可选 pdf、doc、ppt、xls、rtf，以逗号分隔"_qs);
                const DocumentType type = DocumentType(found - TypeNames.begin());
                if (!types.contains(type))
                    types << type;
            }
            // A batch visits the types in its own order, whatever order they were given in.
            std::sort(types.begin(), types.end());
            request.types = types;
        } else if (name == u"--range"_qs) {
            const int index = IndexOf(RangeNames, RangeWords, value->trimmed());
            if (index < 0)
                return bad(u"--range 不认识时间范围 "_qs + Quoted(*value) + u"，可选 "_qs +
                           Choices(RangeNames));
            request.range = TimeRange(index);
        } else if (name == u"--scope"_qs) {
            const int index = IndexOf(ScopeNames, ScopeWords, value->trimmed());
            if (index < 0)
                return bad(u"--scope 不认识搜索范围 "_qs + Quoted(*value) + u"，可选 "_qs +
                           Choices(ScopeNames));
            request.scope = SearchScope(index);
        } else if (name == u"--whole-phrase"_qs) {
            request.wholePhrase = true;
        } else if (name == u"--out"_qs) {
            if (value->trimmed().isEmpty())
                return bad(u"--out 需要保存文件夹的路径"_qs);
            request.saveFolder = *value;
        } else if (name == u"--clash"_qs) {
            const int index = IndexOf(ClashNames, ClashWords, value->trimmed());
            if (index < 0)
                return bad(u"--clash 不认识重名处理方式 "_qs + Quoted(*value) + u"，可选 "_qs +
                           Choices(ClashNames));
            request.clashPolicy = ClashNames[size_t(index)];
        } else if (name == u"--method"_qs) {
            request.method = WholeNumber(*value, 1, 2);
            if (!request.method)
                return bad(u"--method 必须是 1（单线程）或 2（多线程），而不是 "_qs +
                           Quoted(*value));
        } else if (name == u"--threads"_qs) {
            request.threads = WholeNumber(*value, 1, 6);
            if (!request.threads)
                return bad(u"--threads 必须是 1 到 6 的整数，而不是 "_qs + Quoted(*value));
        } else if (name == u"--pause"_qs) {
            request.pause = WholeNumber(*value, 0, 120);
            if (!request.pause)
                return bad(u"--pause 必须是 0 到 120 的秒数，而不是 "_qs + Quoted(*value));
        } else if (name == u"--json"_qs) {
            request.json = true;
        }
    }
    if (help) {
        parsed.outcome = ParsedArguments::Outcome::Help;
    } else if (batch) {
        parsed.outcome = ParsedArguments::Outcome::Batch;
    } else if (anyOption) {
        return bad(u"缺少 --batch <关键词文件>"_qs);
    }
    return parsed;
}

BatchSettings ResolveBatchSettings(const BatchRequest& request, const SettingsStore& store) {
    BatchSettings s;
    s.keywordFile = request.keywordFile;
    // The search window starts with every type ticked and "全部时间", whole phrase off.
    s.types = request.types.value_or(
        QList<DocumentType>(AllDocumentTypes.begin(), AllDocumentTypes.end()));
    s.range = request.range.value_or(TimeRange::AllTime);
    s.wholePhrase = request.wholePhrase;
    const qint32 scope = settings::ReadInt32(store, settings::SearchScope);
    s.scope = request.scope.value_or(scope == 1 ? SearchScope::Global : SearchScope::China);
    s.saveFolder = request.saveFolder.value_or(
        settings::ReadText(store, settings::DownloadFolder, settings::DefaultDownloadFolder()));
    s.clashPolicy = request.clashPolicy.value_or(
        MatchDuplicateNamePolicy(settings::ReadText(store, settings::DuplicateNamePolicy)));
    const qint16 method = settings::ReadInt16(store, settings::DownloadMethod);
    s.method = request.method.value_or(method == 1 ? 1 : 2);
    // The download window keeps the thread list's index; out of range it shows 3.
    const qint16 threadIndex = settings::ReadInt16(store, settings::ThreadCount);
    s.threads = request.threads.value_or(threadIndex >= 0 && threadIndex < 6 ? threadIndex + 1 : 3);
    const qint16 delay = settings::ReadInt16(store, settings::SearchDelay);
    s.pause = request.pause.value_or(delay >= 0 && delay <= 120 ? delay : 0);
    s.json = request.json;
    return s;
}

QString BatchHelpText(const BatchSettings& d) {
    QStringList types;
    for (DocumentType type : d.types)
        types << TypeName(type);
    QString text;
    text += u"用法：quenlit --batch <关键词文件> [选项]\n"_qs;
    text += u"不开窗口，按关键词文件逐行批量搜索并下载文档。未给出的选项取自用户设置。\n\n"_qs;
    auto line = [&text](const QString& option, const QString& meaning, const QString& value) {
        text += u"  "_qs + option.leftJustified(24) + meaning;
        if (!value.isNull())
            text += u"（默认："_qs + value + u"）"_qs;
        text += u'\n';
    };
    line(u"--batch <文件>"_qs, u"关键词文件，UTF-8，每行一组关键词"_qs, QString());
    line(u"--types <类型,...>"_qs, u"文件类型：pdf、doc、ppt、xls、rtf"_qs, types.join(u','));
    line(u"--range <范围>"_qs, u"时间范围："_qs + Choices(RangeNames), RangeName(d.range));
    line(u"--whole-phrase"_qs, u"每一组关键词作为完整关键词搜索"_qs,
         d.wholePhrase ? u"是"_qs : u"否"_qs);
    line(u"--scope <范围>"_qs, u"搜索范围："_qs + Choices(ScopeNames), ScopeName(d.scope));
    line(u"--out <文件夹>"_qs, u"下载文件保存路径"_qs, d.saveFolder);
    line(u"--clash <方式>"_qs, u"重复文件名："_qs + Choices(ClashNames), d.clashPolicy);
    line(u"--method <1|2>"_qs, u"下载方式：1 单线程，2 多线程"_qs, QString::number(d.method));
    line(u"--threads <1-6>"_qs, u"多线程下载的线程数"_qs, QString::number(d.threads));
    line(u"--pause <秒>"_qs, u"每页之间的限速延时，0 到 120"_qs, QString::number(d.pause));
    line(u"--json"_qs, u"以 JSON 输出汇总和每一行"_qs, u"否"_qs);
    line(u"--help"_qs, u"显示本帮助"_qs, QString());
    text += u"\n退出码：0 全部完成或跳过，1 有下载失败，2 参数错误，3 搜索引擎要求验证。\n"_qs;
    return text;
}

KeywordFile ReadKeywordFile(const QString& path) {
    KeywordFile result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error =
            u"--batch 无法读取关键词文件 "_qs + Quoted(path) + u"："_qs + file.errorString();
        return result;
    }
    QString text = QString::fromUtf8(file.readAll());
    // The keyword box splits at CR LF; a file written here ends its lines with LF alone.
    text.replace(u"\r\n"_qs, u"\n"_qs);
    text.replace(u'\r', u'\n');
    text.replace(u"\n"_qs, u"\r\n"_qs);
    result.lines = SplitKeywordLines(text);
    if (result.lines.isEmpty())
        result.error = u"--batch 关键词文件 "_qs + Quoted(path) + u" 里没有关键词"_qs;
    return result;
}

} // namespace quenlit
