#include "picker/Picker.h"

#include "common/Conversions.h"
#include "common/Failure.h"
#include "common/PrintForm.h"
#include "common/SetAside.h"
#include "common/TableFile.h"
#include "picker/Clock.h"
#include "picker/LogReading.h"

void Picker::TakeFolder() {
    if (folder_.IsHeld()) {
        return;
    }
    // Nothing is kept before both are taken, so a Kelpov refused the log holds no folder either.
    FolderLock folder = FolderLock::Take(DataLogName);
    LogLock log = LogLock::Take(folder.Get(), DataLogName);
    folder_ = std::move(folder);
    log_ = std::move(log);
}

void Picker::SweepLeftovers() {
    TakeFolder();
    RemoveLeftovers(folder_.Get(), TableNames);
}

std::string Picker::ReadLog() const {
    // The longest log a run writes is a full store of the longest lines; one byte more shows a
    // longer file as one with a line too many.
    constexpr std::size_t longest = PickStoreLimit * (PrintFormMaxSize + 2);
    return log_.Read(folder_.Get(), DataLogName, longest + 1);
}

void Picker::OpenLog() {
    SweepLeftovers();
    logSetAside_.clear();
    // A regular file that no run could have written is someone's own: kept, never emptied.
    if (log_.Get() >= 0 && !IsDataLog(ReadLog())) {
        logSetAside_ = SetAside(folder_.Get(), DataLogName);
        log_ = LogLock::Take(folder_.Get(), DataLogName);
    }
    dataLog_.Open(folder_.Get(), DataLogName, log_.Get());
    PickCount = 0;
    CountPosition = 0;
}

void Picker::Record() {
    if (PickCount >= PickStoreLimit) {
        throw Failure(FailureKind::Range,
                      "the store of picks is full: " + std::to_string(PickStoreLimit) +
                          " picks are recorded");
    }
    dataLog_.Append(NumberLine(CurrentPick).View());
    PickCount = Add(PickCount, 1);
    Picks[PickCount] = CurrentPick;
}

void Picker::CloseLog() {
    dataLog_.Close();
}

void Picker::Draw(std::string_view outcomes) {
    generator_.Reseed(SecondsSinceMidnight());
    const float r = generator_.Next();
    const double n = TextToReal(outcomes);
    // Kept in this order, with no shortcut for (n - 1) + 1, so every n draws as it always has.
    const double x = CheckedFloatingPoint([&] { return ((n - 1) + 1) * r + 1; });
    CurrentPick = WholePartToInt16(x);
}
