#include "DuplicateNames.h"

#include "DownloadListModel.h"
#include "FileNames.h"
#include "TextRules.h"

#include <QFileInfo>
#include <optional>

namespace quenlit {

namespace {
// The number of the bracket numbering, kept as decimal digits so that no number a name
// can carry overflows.
class BracketNumber {
public:
    // A number of the decimal-number rule, rounded half up; none for anything else. A
    // negative number is no counter: it stays part of the name.
    static std::optional<BracketNumber> parse(const QString& text) {
        if (!DecimalNumber(text))
            return std::nullopt;
        QString number = text.trimmed();
        if (number.startsWith(u'-'))
            return std::nullopt;
        if (number.startsWith(u'+'))
            number.remove(0, 1);
        const qsizetype dot = number.indexOf(u'.');
        BracketNumber parsed;
        parsed.m_digits = dot < 0 ? number : number.left(dot);
        while (parsed.m_digits.startsWith(u'0'))
            parsed.m_digits.remove(0, 1);
        if (dot >= 0 && dot + 1 < number.size() && number[dot + 1] >= u'5')
            parsed.increment();
        return parsed;
    }

    bool isZero() const { return m_digits.isEmpty(); }
    void increment() {
        qsizetype at = m_digits.size() - 1;
        while (at >= 0 && m_digits[at] == u'9')
            m_digits[at--] = u'0';
        if (at < 0)
            m_digits.prepend(u'1');
        else
            m_digits[at] = QChar(m_digits[at].unicode() + 1);
    }
    // At least three digits: 1 → 001, 1234 → 1234.
    QString text() const { return m_digits.rightJustified(3, u'0'); }

private:
    QString m_digits; // without leading zeros; empty for zero
};

// The name part of the target, cut so that the whole file name keeps the limits.
QString fitted(const QString& base, const QString& numbering, const QString& dotType) {
    return FitFileName(base, numbering + dotType) + numbering;
}

QString numbering(const BracketNumber& n) {
    return u'[' + n.text() + u']';
}
} // namespace

bool 确定是需要下载(DownloadListModel& list, int position, const QString& policy) {
    const DownloadRow& row = list.row(position);
    const QString path = WithTrailingSeparator(row.saveFolder) + row.name + u'.' + row.type;
    // A trailing dot names the file without extension.
    const QString existing = row.type.isEmpty() ? path.chopped(1) : path;
    if (!FileExists(existing) || policy != SkipPolicy)
        return true;
    const QString length = QString::number(QFileInfo(existing).size());
    list.modify(position, [&](DownloadRow& changed) {
        changed.state = DownloadRow::Finished;
        changed.size = length;
        changed.downloaded = length;
        changed.percent = QStringLiteral("已存在，跳过");
    });
    return false;
}

RenamedTarget 重命名保存路径(const QString& saveFolder, const QString& name, const QString& type,
                             const QString& policy) {
    const QString folder = WithTrailingSeparator(saveFolder);
    const QString dotType = type.isEmpty() ? QString() : u'.' + type;
    const QString plain = fitted(name, {}, dotType);
    if (policy == OverwritePolicy || !FileExists(folder + plain + dotType))
        return {plain, folder + plain + dotType};

    QString base = name;
    BracketNumber n;
    const qsizetype open = base.lastIndexOf(u'[');
    const qsizetype close = base.lastIndexOf(u']');
    if (open >= 0 && close > open) {
        if (const auto number = BracketNumber::parse(base.mid(open + 1, close - open - 1))) {
            n = *number;
            base = base.left(open);
        }
    }
    // The wider brackets can push the name over the limits again: fitted() cuts it last.
    base.replace(u'[', u'『').replace(u']', u'』');

    QString finalName = fitted(base, n.isZero() ? QString() : numbering(n), dotType);
    while (FileExists(folder + finalName + dotType)) {
        n.increment();
        finalName = fitted(base, numbering(n), dotType);
    }
    return {finalName, folder + finalName + dotType};
}

} // namespace quenlit
