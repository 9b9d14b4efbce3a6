#pragma once
#include "core/platform/prompter.h"

class QWidget;

namespace vt {

// Answers the core's message boxes with real QMessageBoxes.
class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    Answer ask(const Prompt& prompt) override;
    void set_parent(QWidget* parent) { parent_ = parent; }

private:
    QWidget* parent_;
};

} // namespace vt
