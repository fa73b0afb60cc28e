#include "frontpanel/AttenuatorParking.h"

#include "frontpanel/AttGroupBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>

#include <chrono>
#include <thread>
#include <vector>

bool TAttenuatorParking::Ready(int n) const {
    // Only a connected link in automatic mode can take a command; one that
    // is still connecting or identifying is skipped at once.
    return links_[n - 1]->Ready();
}

bool TAttenuatorParking::Busy(int n) const {
    const TTovarinThread* link = links_[n - 1].get();
    return Ready(n) && (!link->PendingCommand().empty() || link->Verifying());
}

std::vector<std::pair<int, std::uint64_t>> TAttenuatorParking::PostRound(int value) {
    std::vector<std::pair<int, std::uint64_t>> sets;
    for (int n = 1; n <= SlotCount; ++n)
        if (Ready(n)) sets.emplace_back(n, set_(n, value));
    return sets;
}

void TAttenuatorParking::Park(int value, QLabel* status) {
    parking_ = true;
    // From here on box changes are ignored; none that is pending may reach
    // an attenuator between or after its park commands.
    for (auto* box : boxes_) box->CancelPendingChange();
    status->setText(QStringLiteral("WAIT ......."));
    QElapsedTimer clock;
    clock.start();
    // Each round gets its share of the waiting, so that a link that cannot
    // finish its verified set never holds the close for long.
    constexpr int kRoundBudgetMs = 700;
    // The links' GUI steps run meanwhile; the operator's input waits, so
    // that no click or key can post anything over a park command.
    auto pump = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5); };

    // Two verified sets for every usable attenuator: each round is posted
    // to all of them, then waited for until every link has taken its
    // command and finished verifying it (or has dropped).
    for (int round = 0; round < 2; ++round) {
        const auto targets = PostRound(value);
        auto busy = [&] {
            for (const auto& target : targets)
                if (Busy(target.first)) return true;
            return false;
        };
        pump();
        while (busy() && clock.elapsed() < (round + 1) * kRoundBudgetMs) {
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    status->clear();
    pump();
    parking_ = false;
    parked_ = true;
}
