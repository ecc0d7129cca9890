// The message list's entries and the delete error texts, on the host.
#include "mail/mailtext.h"

#include <gtest/gtest.h>

namespace {

TEST(MailText, EntriesPadTheSenderTo70WithoutCuttingIt) {
  EXPECT_EQ(mail::EntryText("Alice", "Hi"), "From : Alice" + std::string(58, ' ') + " (Subject)[Hi]");
  std::string at63(63, 'n'), longer(75, 'l');
  EXPECT_EQ(mail::EntryText(at63, ""), "From : " + at63 + " (Subject)[]");
  EXPECT_EQ(mail::EntryText(longer, "S"), "From : " + longer + " (Subject)[S]");
  EXPECT_EQ(mail::EntryText("", "x"), "From : " + std::string(63, ' ') + " (Subject)[x]");
  // One line whatever the decoded texts hold; characters, not bytes, in UTF-8.
  EXPECT_EQ(mail::EntryText("Eve\r\nX", "a\tb\x7F\r\n"), "From : Eve X" + std::string(58, ' ') + " (Subject)[a b ]");
  EXPECT_EQ(mail::EntryText("Алиса", "山田", true), "From : Алиса" + std::string(58, ' ') + " (Subject)[山田]");
}

TEST(MailText, ADisplayNameThatLooksLikeAnAddressShowsTheRealOne) {
  EXPECT_EQ(mail::SenderText("bank@example.com", "SMTP:eve@evil.example"), "bank@example.com <eve@evil.example>");
  EXPECT_EQ(mail::SenderText("jane@example.org", "SMTP:Jane@Example.org"), "jane@example.org");
  EXPECT_EQ(mail::SenderText("Jane Doe", "SMTP:jane@example.org"), "Jane Doe");
  EXPECT_EQ(mail::SenderText("a@b", ""), "a@b");
}

TEST(MailText, PgpMarkerAndDeleteErrors) {
  EXPECT_TRUE(mail::HoldsPgpMessage("text first\r\n-----BEGIN PGP MESSAGE-----\r\n"));
  EXPECT_FALSE(mail::HoldsPgpMessage("-----begin pgp message-----"));
  EXPECT_FALSE(mail::HoldsPgpMessage(nullptr));
  EXPECT_EQ(mail::MapiErrorText(2),
            "One or more unspecified errors occurred while deleting the message. No message was deleted.");
  EXPECT_EQ(mail::MapiErrorText(5), "Insufficient memory to proceed !");
  EXPECT_EQ(mail::MapiErrorText(17), "An invalid message identifier was passed in for the lpszMessageID parameter !");
  EXPECT_EQ(mail::MapiErrorText(19), "An invalid session handle was passed in for the lhSession parameter !");
  EXPECT_EQ(mail::MapiErrorText(26), "");
}

}  // namespace
