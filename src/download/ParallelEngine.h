#pragma once

#include "DownloadEnvironment.h"

#include <QObject>
#include <array>
#include <memory>

namespace quenlit {

class Downloader;

// Download method 2: up to six rows at once, one Downloader per running row in the slots
// 1 to 6 of Downloader1. Element 0 is the template: it never downloads and its events
// change nothing.
class ParallelEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxSlots = 6;

    ParallelEngine(DownloadEnvironment& environment, QObject* parent = nullptr);
    ~ParallelEngine() override;

    // This engine's part of the scheduling tick: gives free slots 1..slotCount the first
    // rows that are to be downloaded.
    void dispatchPass(int slotCount);
    void 多线程下载(qint16 Index, qint32 序号, const QString& 网址, const QString& 保存文件路径);
    bool IsSlotLoaded(int slot) const;
    // The loaded elements of Downloader1, element 0 included: above 1 while downloads run.
    int loadedInstanceCount() const;
    // The stop command's part: destroys elements 1 to 6 (their downloads end, no half
    // file stays under a target name).
    void unloadSlots();

    // The element's events, for element index i (0 is ignored).
    void onDownloadProgress(int i, qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
    void onDownloadComplete(int i, qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
    void onDownloadError(int i, const QString& MissCode, const QString& SaveFile);
    void onDownloadTooLarge(int i, qint64 CurBytes, const QString& SaveFile);

private:
    // Marks element i as inside one of its own signals while the handler runs.
    struct Reporting {
        Reporting(unsigned& mask, int i)
            : m_mask(mask)
            , m_bit(1u << i)
            , m_was(mask & m_bit) {
            m_mask |= m_bit;
        }
        ~Reporting() {
            if (!m_was)
                m_mask &= ~m_bit;
        }
        unsigned& m_mask;
        unsigned m_bit;
        unsigned m_was;
    };

    // Frees slot i; an element inside its own signal is destroyed after it has returned.
    void unload(int i);
    // The row position slot i records, or 0 when it names no row.
    int slotRow(int i) const;
    void writeProgress(int position, qint64 CurBytes, qint64 MaxBytes);
    void skipTooLarge(int i, int position);
    // A loaded slot is writing this file.
    bool targetInUse(const QString& path) const;

    DownloadEnvironment& m_environment;
    std::array<std::unique_ptr<Downloader>, MaxSlots + 1> m_elements;
    // Row position of each element's download; 32-bit so long lists cannot wrap.
    std::array<qint32, 12> m_slotTable{};
    unsigned m_reporting = 0;
    std::array<QString, MaxSlots + 1> m_targets;
};

} // namespace quenlit
