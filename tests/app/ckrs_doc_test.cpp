// The document over its record: after any sequence of commands the current
// node is a live move on the selected line and the current position the one
// it reaches, and the modified flag is set exactly when the record changed;
// deletions fall back to the nearest surviving move; open, save and open
// again keep the record; the board editor completes and recounts.
#include "app/ckrs_doc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "support/kifu_graph_checks.h"
#include "support/kifu_perft.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

// What the document promises after every command.
void ExpectCurrentNodeSound(const CKRSDoc& doc) {
  const GameRecord& game = doc.Record();
  std::unordered_set<const KifuMoveNode*> live{game.record->Root()};
  for (const KifuPositionNode* node : KifuReachableNodes(*game.record)) {
    for (int index = 0; index < node->outgoing.Count(); ++index) live.insert(node->outgoing.At(index));
  }
  ASSERT_TRUE(live.contains(game.currentNode)) << "the current node is no move of the record";
  EXPECT_EQ(game.record->FindOnSelectedLine(game.currentNode), game.currentNode) << "off the selected line";
  EXPECT_TRUE(*game.currentPosition == game.currentNode->reachedNode->position) << "the position does not follow";
  EXPECT_EQ(doc.CurrentPly(), game.currentNode->reachedNode->ply);
}

std::string KifText(const CKRSDoc& doc) { return RecordText(*doc.Record().record, &Kifu::WriteKif); }

// A move or board edit as the view gives it: squares (hands 11 and 12,
// box 13) and the promote flag; the document fills in the pieces.
KifuMove ByView(int fromFile, int fromRank, int toFile, int toRank, int promote = 0) {
  return KifuMove(fromFile, fromRank, toFile, toRank, 0, 0, promote & 1, KifuMoveKind::Ordinary);
}
KifuMove ByView(const KifuMove& move) {
  return ByView(move.fromFile, move.fromRank, move.toFile, move.toRank, move.promote);
}

// The commands of the random run, navigation first, with their weights:
// enough moving about that deletions often meet a current node deep in the
// line, and the commands that start over rarer.
enum class Step { Forward, Back, ToPly, FirstOrLast, Branch, AddMove, AddMarker, DeleteBranch, DeleteAfter, Clear,
                  Paste, Open, MergeOpen, EditBoard, Copy, Save };
constexpr int kStepWeights[] = {6, 2, 5, 3, 3, 6, 1, 3, 2, 1, 1, 1, 2, 1, 1, 1};

TEST(CKRSDoc, RandomCommandsKeepTheCurrentNodeLiveAndTheFlagExact) {
  std::vector<std::string> corpus;
  for (const char* extension : {".kif", ".ki2", ".csa"}) {
    for (const std::string& path : FilesWithExtension(CorpusDir(), extension)) corpus.push_back(path);
  }
  ASSERT_GE(corpus.size(), 3u) << "no corpus in " << CorpusDir();
  const std::string savePath = ProcessTempPath("ckrs_doc_run.kif");
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    std::mt19937 random(seed);
    std::discrete_distribution<int> steps(std::begin(kStepWeights), std::end(kStepWeights));
    auto pick = [&random](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    auto corpusFile = [&] { return corpus[static_cast<size_t>(pick(static_cast<int>(corpus.size())))]; };
    // A board edit: mostly from an occupied square or a hand or box holding
    // pieces, sometimes from anywhere, sometimes a piece turned in place.
    auto randomEdit = [&](const KifuPosition& position) {
      auto holds = [&](int file, int rank) {
        return file <= 9 ? position.At(file, rank).IsPiece()
                         : file >= KIFU_FIRST_HAND_FILE && position.HandCount(file - KIFU_FIRST_HAND_FILE, rank) > 0;
      };
      int fromFile = 0, fromRank = 0;
      do {
        fromFile = 1 + pick(13);
        fromRank = 1 + pick(9);
      } while (pick(10) != 0 && !holds(fromFile, fromRank));
      if (fromFile <= 9 && pick(5) == 0) return ByView(fromFile, fromRank, fromFile, fromRank, 1);
      const int toFile = pick(3) != 0 ? 1 + pick(9) : KIFU_FIRST_HAND_FILE + pick(3);
      return ByView(fromFile, fromRank, toFile, 1 + pick(9));
    };
    Clipboard clipboard;
    CKRSDoc doc(clipboard);
    for (int number = 0; number < 1000 && !HasFatalFailure(); ++number) {
      const int index = steps(random);
      const Step step = static_cast<Step>(index);
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(number) + " command " + std::to_string(index));
      const std::string before = KifText(doc), title = doc.Record().title.Text();
      const bool wasModified = doc.IsModified();
      const int length = doc.Record().record->LineLength();
      const KifuPosition& current = *doc.Record().currentPosition;
      bool edits = true;  // a command that may change the record
      KifuFileType type = KIFU_FILE_DETECT;
      switch (step) {
        case Step::Forward: doc.GoForward(pick(3) == 0 ? pick(3) : -1); break;
        case Step::Back: doc.GoBack(); break;
        case Step::ToPly: doc.GoToPly(pick(length + 3) - 1); break;
        case Step::FirstOrLast: pick(2) == 0 ? doc.GoToFirst() : doc.GoToLast(); break;
        case Step::Branch: doc.SelectBranch(pick(5) - 2, pick(2) == 0); break;
        case Step::AddMove: {
          const std::vector<KifuMove> legal = KifuLegalMoves(current);
          doc.AddMove(ByView(legal.empty() || pick(8) == 0 ? randomEdit(current)
                                                              : legal[static_cast<size_t>(pick(static_cast<int>(legal.size())))]),
                      pick(100));
          break;
        }
        case Step::AddMarker: {
          const KifuMoveKind kinds[] = {KifuMoveKind::Resignation, KifuMoveKind::Interruption, KifuMoveKind::Resumption,
                                        KifuMoveKind::Mate, KifuMoveKind::GameStart};
          const int king = KIFU_KING + (current.sideToMove == 1 ? KIFU_SECOND_PLAYER_BIT : 0);
          doc.AddMove(KifuMove(0, 0, 0, 0, king, 0, 0, kinds[pick(5)]), 0);
          break;
        }
        case Step::DeleteBranch: doc.DeleteBranch(pick(length + 2) - 1, pick(4) - 1); break;
        case Step::DeleteAfter: doc.DeleteMovesAfter(pick(length + 2) - 1); break;
        case Step::Clear: doc.Clear(); break;
        case Step::EditBoard: doc.EditBoard(randomEdit(current)); break;
        case Step::MergeOpen:
          doc.MergeOpen(corpusFile().c_str(), &type);
          EXPECT_EQ(doc.Record().title.Text(), title) << "a merge keeps the title";
          break;
        case Step::Paste: {
          edits = false;
          clipboard.SetText(SjisString(pick(6) == 0 ? "not a record\n" : FileBytes(corpusFile()).c_str()));
          const bool pasted = doc.Paste();
          EXPECT_EQ(doc.IsModified(), pasted || wasModified) << "a paste makes a record no file holds";
          break;
        }
        case Step::Open: {
          edits = false;
          const std::string path = pick(6) == 0 ? savePath : pick(6) == 0 ? "/nonexistent/x.kif" : corpusFile();
          const bool opened = doc.Open(path.c_str(), &type);
          EXPECT_EQ(doc.IsModified(), !opened && wasModified);
          EXPECT_TRUE(opened || KifText(doc) == before) << "a failed open changed the record";
          break;
        }
        case Step::Save: {
          edits = false;
          const bool failing = pick(4) == 0;
          EXPECT_EQ(doc.Save(failing ? "/nonexistent/x.kif" : savePath.c_str(), &type), !failing);
          EXPECT_EQ(doc.IsModified(), failing && wasModified);
          EXPECT_EQ(doc.Record().title.Text(), failing ? title : savePath);
          break;
        }
        case Step::Copy:
          edits = false;
          ASSERT_TRUE(doc.Copy(KIFU_FILE_KIF, false));
          EXPECT_EQ(doc.IsModified(), wasModified) << "a copy changed the flag";
          break;
      }
      ExpectCurrentNodeSound(doc);
      if (step <= Step::Branch) {
        EXPECT_EQ(KifText(doc), before) << "navigation changed the record";
        EXPECT_EQ(doc.IsModified(), wasModified);
      } else if (edits) {
        EXPECT_EQ(doc.IsModified(), wasModified || KifText(doc) != before) << "the flag misses or invents a change";
      }
      if (number % 16 == 0) ExpectKifuGraphValid(*doc.Record().record);
    }
  }
  std::remove(savePath.c_str());
}

// Whatever a command deletes, the current node falls back to the nearest
// move that survives on its way to the root.
TEST(CKRSDoc, DeletionsFallBackToTheNearestSurvivingMove) {
  // Main line 7六歩 3四歩 2六歩 8四歩; the variation 2六歩 3四歩 7六歩
  // merges into its third position and shares the continuation.
  Kifu merged;
  KifuPlayLine(merged, merged.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}, {8, 3, 8, 4}});
  KifuPlayLine(merged, merged.StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  Clipboard clipboard;
  clipboard.SetText(SjisString(RecordText(merged, &Kifu::WriteKif).c_str()));
  CKRSDoc doc(clipboard);
  ASSERT_TRUE(doc.Paste());
  ASSERT_EQ(doc.Record().record->Table()->Count(), 7);
  doc.GoToLast();
  // The merged position survives through the variation, but the current
  // node's own way ran through the deleted first move.
  ASSERT_TRUE(doc.DeleteBranch(0, 0));
  EXPECT_EQ(doc.CurrentPly(), 0);
  EXPECT_EQ(doc.Record().record->LineLength(), 4);
  ExpectCurrentNodeSound(doc);

  // A deletion that spares the current node leaves it where it is.
  doc.GoToPly(1);
  const KifuMoveNode* first = doc.Record().currentNode;
  ASSERT_TRUE(doc.DeleteMovesAfter(2));
  EXPECT_EQ(doc.Record().currentNode, first);
  doc.GoToLast();
  ASSERT_TRUE(doc.DeleteMovesAfter(1));
  EXPECT_EQ(doc.Record().currentNode, first);
  ExpectCurrentNodeSound(doc);
}

// A ply the selected line does not have (negative, or past the last one the
// command can act at) is refused by every command that takes one: the
// record and the flag stay, and so does the current node, but for a ply
// past the end, which goes to the last move. The ply just inside is taken.
TEST(CKRSDoc, PliesOffTheLineAreRefused) {
  const std::string path = std::string(TestDataDir()) + "/kif/hand_checked.kif";
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  KifuFileType type = KIFU_FILE_DETECT;
  ASSERT_TRUE(doc.Open(path.c_str(), &type));
  const int length = doc.Record().record->LineLength();
  ASSERT_GT(doc.Record().record->StartNode()->outgoing.Count(), 1) << "the start should hold a variation";
  ASSERT_GT(length, 3);
  // The deletions act on what follows the position at ply: the last move
  // has nothing after it.
  struct Command {
    const char* name;
    std::function<bool(CKRSDoc&, int)> run;
    int lastPly;
  };
  const Command commands[] = {
      {"GoToPly", [](CKRSDoc& on, int ply) { return on.GoToPly(ply); }, length},
      {"DeleteMovesAfter", [](CKRSDoc& on, int ply) { return on.DeleteMovesAfter(ply); }, length - 1},
      {"DeleteBranch 0", [](CKRSDoc& on, int ply) { return on.DeleteBranch(ply, 0); }, length - 1},
      {"DeleteBranch selected", [](CKRSDoc& on, int ply) { return on.DeleteBranch(ply, -1); }, length - 1},
      {"DeleteBranch 5", [](CKRSDoc& on, int ply) { return on.DeleteBranch(ply, 5); }, length - 1},
  };
  const int max = std::numeric_limits<int>::max(), min = std::numeric_limits<int>::min();
  for (const Command& command : commands) {
    SCOPED_TRACE(command.name);
    ASSERT_TRUE(doc.Open(path.c_str(), &type));
    const std::string before = KifText(doc);
    for (const int ply : {min, -length - 1, -5, -1, command.lastPly + 1, command.lastPly + 2, max}) {
      SCOPED_TRACE(ply);
      ASSERT_TRUE(doc.GoToPly(2));
      EXPECT_FALSE(command.run(doc, ply));
      EXPECT_TRUE(KifText(doc) == before) << "the record changed";
      EXPECT_FALSE(doc.IsModified());
      const bool toTheEnd = ply > 0 && command.lastPly == length;
      EXPECT_EQ(doc.CurrentPly(), toTheEnd ? length : 2);
      ExpectCurrentNodeSound(doc);
    }
    for (const int inside : {0, command.lastPly}) {
      ASSERT_TRUE(doc.Open(path.c_str(), &type));
      EXPECT_TRUE(command.run(doc, inside)) << inside;
    }
  }
}

// The moves of a line: the first move at each position (the main line), or
// the selected one.
std::vector<KifuMove> LineMoves(const Kifu& record, bool firstMoves) {
  std::vector<KifuMove> moves;
  for (const KifuPositionNode* at = record.StartNode(); at != nullptr && at->outgoing.Count() > 0;) {
    const KifuMoveNode* move = firstMoves ? at->outgoing.At(0) : at->outgoing.Selected();
    moves.push_back(move->move);
    at = move->reachedNode;
  }
  return moves;
}

// With a variation selected, a copy as CSA keeps the main line and a copy
// as KI2 the selected line; RVQ writes the main line's moves too (it reads
// back as a position only, so its text is looked at).
TEST(CKRSDoc, CopiesKeepTheMainOrTheSelectedLineByFormat) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  KifuFileType type = KIFU_FILE_DETECT;
  ASSERT_TRUE(doc.Open((std::string(TestDataDir()) + "/kif/hand_checked.kif").c_str(), &type));
  ASSERT_TRUE(doc.GoToPly(1));
  ASSERT_TRUE(doc.SelectBranch(1, false));
  const std::vector<KifuMove> main = LineMoves(*doc.Record().record, true),
                              selected = LineMoves(*doc.Record().record, false);
  ASSERT_NE(main, selected);
  for (const int format : {KIFU_FILE_CSA, KIFU_FILE_KI2}) {
    SCOPED_TRACE(format);
    ASSERT_TRUE(doc.Copy(format, false));
    CKRSDoc pasted(clipboard);
    ASSERT_TRUE(pasted.Paste());
    EXPECT_EQ(LineMoves(*pasted.Record().record, true), format == KIFU_FILE_CSA ? main : selected);
  }
  // The first moves: 7六歩 on the main line, 2六歩 on the selected one.
  ASSERT_TRUE(doc.Copy(KIFU_FILE_RVQ, false));
  const std::string rvq = clipboard.Text().Text();
  EXPECT_LT(rvq.find("\n+7776FU"), rvq.find("\n+2726FU")) << rvq;
}

// A record pasted, saved and opened, then saved and opened again, is the
// same record, and a successful save or open leaves it unmodified; a failed
// save leaves the flag and the title alone.
TEST(CKRSDoc, OpenSaveOpenKeepsTheRecordAndClearsTheFlag) {
  std::vector<std::string> inputs;
  for (uint32_t seed = 1; seed <= 6; ++seed) inputs.push_back(RecordText(*BuildRandomRecord(seed), &Kifu::WriteKif, true));
  for (const char* extension : {".kif", ".ki2", ".csa"}) {
    const std::vector<std::string> corpus = FilesWithExtension(CorpusDir(), extension);
    ASSERT_FALSE(corpus.empty()) << "no corpus in " << CorpusDir();
    inputs.push_back(FileBytes(corpus.front()));
  }
  const std::string first = ProcessTempPath("ckrs_doc_first.kif"), saved = ProcessTempPath("ckrs_doc_saved.kif");
  for (size_t index = 0; index < inputs.size(); ++index) {
    SCOPED_TRACE(index);
    Clipboard clipboard;
    CKRSDoc pasted(clipboard);
    clipboard.SetText(SjisString(inputs[index].c_str()));
    ASSERT_TRUE(pasted.Paste());
    KifuFileType type = KIFU_FILE_DETECT;
    EXPECT_FALSE(pasted.Save("/nonexistent/directory/x.kif", &type));
    EXPECT_TRUE(pasted.IsModified());
    EXPECT_STREQ(pasted.Record().title.Text(), "");
    ASSERT_TRUE(pasted.Save(first.c_str(), &type));
    EXPECT_FALSE(pasted.IsModified());
    CKRSDoc doc(clipboard);
    ASSERT_TRUE(doc.Open(first.c_str(), &type));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(CompareKifu(*pasted.Record().record, *doc.Record().record), "");
    ASSERT_TRUE(doc.Save(saved.c_str(), &type));
    EXPECT_EQ(doc.Record().title.Text(), saved);
    CKRSDoc again(clipboard);
    ASSERT_TRUE(again.Open(saved.c_str(), &type));
    EXPECT_EQ(CompareKifu(*doc.Record().record, *again.Record().record), "");
  }
  std::remove(first.c_str());
  std::remove(saved.c_str());
}

// The editor makes the edit on the current position, recounts the handicap
// and starts the record from the edited position; an edit from an empty
// square changes nothing.
TEST(CKRSDoc, BoardEditorCompletesEditsAndRecountsTheBox) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  ASSERT_TRUE(doc.AddMove(ByView(7, 7, 7, 6), 0));
  // Second player's bishop and rook to the box: the two-piece handicap.
  ASSERT_TRUE(doc.EditBoard(ByView(2, 2, KIFU_BOX_FILE, 0)));
  ASSERT_TRUE(doc.EditBoard(ByView(8, 2, KIFU_BOX_FILE, 0)));
  const KifuPosition& start = doc.Record().record->StartNode()->position;
  EXPECT_EQ(start.handicapFlags, HANDICAP_TWO_PIECES);
  EXPECT_EQ(start.At(7, 6).Code(), KIFU_PAWN) << "the edit starts from the current position";
  EXPECT_EQ(doc.Record().record->LineLength(), 0);
  const std::string before = KifText(doc);
  EXPECT_FALSE(doc.EditBoard(ByView(5, 5, 5, 6)));
  EXPECT_EQ(KifText(doc), before);
  ExpectCurrentNodeSound(doc);
}

// Refused commands leave the record unmodified; moves are checked against
// the rules and the line's end: an illegal move, a move after a resignation
// or an interruption and a resumption anywhere but after an interruption
// are refused.
TEST(CKRSDoc, AddMoveKeepsTheRulesAndTheLineEnd) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  EXPECT_FALSE(doc.AddMove(ByView(7, 7, 7, 5), 0));
  EXPECT_FALSE(doc.AddMove(ByView(5, 9, 5, 8, 1), 0));
  doc.Clear();  // nothing to clear: no change either
  EXPECT_FALSE(doc.IsModified());
  ASSERT_TRUE(doc.AddMove(ByView(7, 7, 7, 6), 3));
  EXPECT_EQ(doc.Record().currentNode->move.piece.Code(), KIFU_PAWN);
  const KifuMove interruption(0, 0, 0, 0, KIFU_KING + KIFU_SECOND_PLAYER_BIT, 0, 0, KifuMoveKind::Interruption);
  const KifuMove resumption(0, 0, 0, 0, KIFU_KING + KIFU_SECOND_PLAYER_BIT, 0, 0, KifuMoveKind::Resumption);
  EXPECT_FALSE(doc.AddMove(resumption, 0));
  ASSERT_TRUE(doc.AddMove(interruption, 0));
  EXPECT_FALSE(doc.AddMove(ByView(3, 3, 3, 4), 0));
  ASSERT_TRUE(doc.AddMove(resumption, 0));
  EXPECT_FALSE(doc.AddMove(resumption, 0));
  ASSERT_TRUE(doc.AddMove(ByView(3, 3, 3, 4), 0));
  ASSERT_TRUE(doc.AddMove(KifuMove(0, 0, 0, 0, KIFU_KING, 0, 0, KifuMoveKind::Resignation), 0));
  EXPECT_FALSE(doc.AddMove(ByView(2, 7, 2, 6), 0));
  EXPECT_EQ(doc.CurrentPly(), 5);
  ExpectCurrentNodeSound(doc);
}

// Saving the position writes the position the view shows, with no moves,
// in the type the extension names (stored back), and leaves the flag and
// the title; a type without writer and a path that can't be written fail.
TEST(CKRSDoc, SavePositionWritesTheCurrentPositionAndKeepsFlagAndTitle) {
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  for (const KifuMove& move : {ByView(7, 7, 7, 6), ByView(3, 3, 3, 4), ByView(2, 7, 2, 6)})
    ASSERT_TRUE(doc.AddMove(move, 1));
  ASSERT_TRUE(doc.GoBack());
  // After 7六歩 3四歩, first player to move.
  KifuPosition expected;  // the even start
  expected.board[KifuPosition::SquareIndex(7, 6)] = expected.board[KifuPosition::SquareIndex(7, 7)];
  expected.board[KifuPosition::SquareIndex(7, 7)] = 0;
  expected.board[KifuPosition::SquareIndex(3, 4)] = expected.board[KifuPosition::SquareIndex(3, 3)];
  expected.board[KifuPosition::SquareIndex(3, 3)] = 0;
  const std::string before = KifText(doc);
  const std::pair<const char*, KifuFileType> types[] = {
      {".kif", KIFU_FILE_KIF}, {".csa", KIFU_FILE_CSA}, {".ki2", KIFU_FILE_KI2}};
  for (const auto& [extension, expectedType] : types) {
    const std::string path = ProcessTempPath(std::string("ckrs_doc_position") + extension);
    KifuFileType type = KIFU_FILE_DETECT;
    ASSERT_TRUE(doc.SavePosition(path.c_str(), &type)) << extension;
    EXPECT_EQ(type, expectedType);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_STREQ(doc.Record().title.Text(), "");
    EXPECT_EQ(KifText(doc), before);
    CKRSDoc reread(clipboard);
    ASSERT_TRUE(reread.Open(path.c_str(), &type)) << extension;
    EXPECT_TRUE(reread.Record().record->StartNode()->position == expected) << extension;
    EXPECT_EQ(reread.Record().record->LineLength(), 0) << extension;
    std::remove(path.c_str());
  }
  KifuFileType oldNative = KIFU_FILE_DETECT;
  const std::string unwritable = ProcessTempPath("ckrs_doc_position.krs");
  EXPECT_FALSE(doc.SavePosition(unwritable.c_str(), &oldNative));
  EXPECT_TRUE(FileBytes(unwritable).empty()) << "nothing written";
  KifuFileType kif = KIFU_FILE_KIF;
  EXPECT_FALSE(doc.SavePosition("/nonexistent/directory/x.kif", &kif));
  EXPECT_TRUE(doc.IsModified());
}

// A merge that adds no move and no comment text leaves the document
// unmodified; one that adds only a differing comment modifies it.
TEST(CKRSDoc, MergeThatAddsNothingLeavesItUnmodified) {
  const std::string head = "手数----指手---------消費時間--\n";
  const std::string same = ProcessTempPath("doc_same.kif"), other = ProcessTempPath("doc_other.kif");
  ASSERT_TRUE(WriteFileBytes(same, head + "1 ７六歩(77)\n*x\n2 ３四歩(33)\n"));
  ASSERT_TRUE(WriteFileBytes(other, head + "1 ７六歩(77)\n*y\n2 ３四歩(33)\n"));
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  ASSERT_TRUE(doc.Open(same.c_str(), nullptr));
  const std::string opened = KifText(doc);
  ASSERT_TRUE(doc.MergeOpen(same.c_str(), nullptr));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(KifText(doc), opened);
  ASSERT_TRUE(doc.MergeOpen(other.c_str(), nullptr));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.Record().record->LineLength(), 2);
  EXPECT_NE(std::string(doc.Record().record->MoveAtPly(1)->comment.Text()).find('y'), std::string::npos);
  std::remove(same.c_str());
  std::remove(other.c_str());
}

}  // namespace
