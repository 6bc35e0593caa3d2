#include "net/SearchKeep.h"

PlayHandOver CSearchKeep::HandOver() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_handOver;
}

bool CSearchKeep::HandOverActive() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_handOver.active != 0;
}

void CSearchKeep::WriteHandOver(const PlayHandOver& block, bool keepLists)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_handOver = block;
    if (keepLists && !m_liveDay.empty()) {
        m_keptMonth = m_liveMonth;
        m_keptDay = m_liveDay;
    }
}

void CSearchKeep::ClearHandOver()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_handOver = PlayHandOver();
}

void CSearchKeep::ClearHandOverAndKept()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_handOver = PlayHandOver();
    m_keptMonth.clear();
    m_keptDay.clear();
}

void CSearchKeep::ClearKept()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_keptMonth.clear();
    m_keptDay.clear();
}

void CSearchKeep::SetLiveMonth(std::vector<YearRecord> records)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_liveMonth = std::move(records);
}

void CSearchKeep::SetLiveDay(std::vector<DayIntervalRecord> records)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_liveDay = std::move(records);
}

std::vector<YearRecord> CSearchKeep::LiveMonth() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_liveMonth;
}

std::vector<DayIntervalRecord> CSearchKeep::LiveDay() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_liveDay;
}

std::vector<YearRecord> CSearchKeep::KeptMonth() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_keptMonth;
}

std::vector<DayIntervalRecord> CSearchKeep::KeptDay() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_keptDay;
}

void CSearchKeep::SetKeptLog(std::vector<std::vector<std::uint8_t>> records)
{
    if (records.size() > kKeptLogLimit)
        records.resize(kKeptLogLimit);
    std::lock_guard<std::mutex> lock(m_lock);
    m_keptLog = std::move(records);
}

std::vector<std::vector<std::uint8_t>> CSearchKeep::KeptLog() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_keptLog;
}

void CSearchKeep::ClearKeptLog()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_keptLog.clear();
}

void CSearchKeep::Clear()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_handOver = PlayHandOver();
    m_liveMonth.clear();
    m_keptMonth.clear();
    m_liveDay.clear();
    m_keptDay.clear();
    m_keptLog.clear();
}
