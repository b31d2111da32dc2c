// A user slow to answer a question about a worker's work: through the message box's seam the
// question stays open while the work goes on, until its box would close by itself or the worker
// has ended. Every box is recorded with how many boxes were open when it was asked.
#pragma once

#include "common/msgbox.h"

#include <QEventLoop>
#include <QTimer>

#include <utility>

namespace msgboxtest {

class TLateAnswer {
public:
    struct TAsked {
        QString Text;
        int Open = 0;                 // boxes open when it was asked, itself included
        bool ClosedByItself = false;  // the question's box closed before the answer came
    };
    // `whileOpen` runs as the question opens; the answer to it is `answer`, to others OK.
    TLateAnswer(QString question, int answer, std::function<bool()> ended, std::function<void()> whileOpen = {})
        : Question(std::move(question)), Answer(answer), Ended(std::move(ended)), WhileOpen(std::move(whileOpen)),
          Previous(SetMsgBoxHandler([this](const TMsgBoxRequest& r) { return Ask(r); })) {}
    ~TLateAnswer() { SetMsgBoxHandler(std::move(Previous)); }

    std::vector<TAsked> Asked;

private:
    TMsgBoxResult Ask(const TMsgBoxRequest& r) {
        const size_t at = Asked.size();
        Asked.push_back({r.Text, ++Open});
        bool open = true;
        const auto close = [&] { Open -= std::exchange(open, false); };
        if (r.Text == Question) {
            if (WhileOpen) WhileOpen();
            QEventLoop loop;  // the events go on as under an open box, which is gone once it closes
            if (r.Closer)
                QObject::connect(r.Closer, &TMsgBoxCloser::Ending, &loop, [&] { close(), loop.quit(); });
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] { if (Ended()) loop.quit(); });
            poll.start(10);
            loop.exec();
            Asked[at].ClosedByItself = r.Closer && r.Closer->Ended();
        }
        close();
        return {r.Text == Question ? Answer : mrOk};
    }

    QString Question;
    int Answer;
    std::function<bool()> Ended;
    std::function<void()> WhileOpen;
    TMsgBoxHandler Previous;
    int Open = 0;
};

}  // namespace msgboxtest
