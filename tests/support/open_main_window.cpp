#include "support/open_main_window.h"

#include <QTest>
#include <gtest/gtest.h>

namespace vt::test {

std::unique_ptr<TVT_main_Form> open_main_window(MainFormServices services,
                                                const std::string& argument, Opening opening) {
    auto form = std::make_unique<TVT_main_Form>(QString::fromStdString(argument), services);
    if (!opening.shown)
        return form;
    if (opening.place)
        form->move(*opening.place);
    form->show();
    [&] { ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get())); }();
    return form;
}

} // namespace vt::test
