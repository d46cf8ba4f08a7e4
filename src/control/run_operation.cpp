// Every operation runs here: fields, CurrentCommand, reset, exchange, decode.
#include "control/run_operation.hpp"

#include <limits>
#include <vector>

#include "control/bind_arguments.hpp"
#include "control/member_lookup.hpp"
#include "link/transaction.hpp"
#include "ops/catalogue.hpp"
#include "ops/reply_fields.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/dispatch.hpp"

namespace tavirel {
namespace {

// The first four characters of the payload (all of it when shorter) as the code.
std::int16_t ReplyCode(const ops::Operation& op, std::string_view reply) {
  const std::string_view text = ops::ReplyData(reply).substr(0, 4);
  auto code = ops::ReadInteger(text);
  if (!code || *code < std::numeric_limits<std::int16_t>::min() ||
      *code > std::numeric_limits<std::int16_t>::max()) {
    throw ConversionError(std::string(op.name) + ": the reply code \"" + cp1252::ToUtf8(text) +
                          "\" does not read as a number");
  }
  return static_cast<std::int16_t>(*code);
}

void DecodeReply(const ops::Operation& op, std::string_view reply, ResultRecord& record) {
  if (op.choice() == ops::ReplyChoice::Fixed) {
    ops::Decode(op.decoder, reply, record);
    return;
  }
  const std::int16_t code = ReplyCode(op, reply);
  record.Set(Prop::LastOPCode, code);
  for (const ops::CodeChoice& choice : op.choices) {
    if (choice.code == code) {
      ops::Decode(choice.decoder, reply, record);
      return;
    }
  }
}

std::int16_t ToLastEERR(std::int32_t printer_error) {
  if (printer_error < std::numeric_limits<std::int16_t>::min() ||
      printer_error > std::numeric_limits<std::int16_t>::max()) {
    throw ConversionError("printer error number " + std::to_string(printer_error) +
                          " does not fit LastEERR");
  }
  return static_cast<std::int16_t>(printer_error);
}

// The catalogue's operation of each member, by slot id (null for members
// that are not operations): found once for the program's life.
const ops::Operation* OperationOfMember(const MemberInfo& member) {
  static const std::vector<const ops::Operation*> by_id = [] {
    std::vector<const ops::Operation*> table(Members().size() + 1, nullptr);
    for (const MemberInfo& m : Members()) {
      if (m.kind == MemberKind::Method)
        table[static_cast<std::size_t>(m.id)] = ops::FindOperation(m.name);
    }
    return table;
  }();
  const auto id = static_cast<std::size_t>(member.id);
  if (member.id < 1 || id >= by_id.size() || by_id[id] == nullptr) return nullptr;
  // A copy of a member row must still name the same operation.
  return by_id[id]->name == member.name ? by_id[id] : nullptr;
}

}  // namespace

std::int16_t RunBound(TavirelControl::Impl& m, const ops::Operation& op,
                      std::span<const ops::Arg> args) {
  ops::ComposeCommand(op, args, m.euro_settings, m.next_command);
  m.current_command.swap(m.next_command);
  m.record.ResetLastValues();

  // An amount field has no encoding outside lire and euro: such a command is
  // never sent, rather than sent with its later fields shifted.
  const bool unencodable = op.amount_field && m.euro_settings != TVL_EUROSETTINGS_LIRE &&
                           m.euro_settings != TVL_EUROSETTINGS_EURO;
  link::LinkContext context = m.Link();
  std::int32_t printer_error = 0;
  const std::int16_t result = link::SendCommand(
      context, m.reply, printer_error, {op.reply_timeout, false, unencodable, op.reply_shape});
  if (result == OP_OK) DecodeReply(op, m.reply, m.record);
  if (result == EERR) m.record.Set(Prop::LastEERR, ToLastEERR(printer_error));
  return result;
}

std::int16_t RunTyped(TavirelControl::Impl& m, const ops::Operation& op,
                      std::initializer_list<ops::Arg> args) {
  BusyGuard guard(m.busy);
  return RunBound(m, op, std::span<const ops::Arg>(args.begin(), args.size()));
}

std::int16_t TavirelControl::RunOperation(std::string_view name,
                                          const std::vector<Variant>& given) {
  return RunOperation(name, std::vector<Variant>(given));
}

std::int16_t TavirelControl::RunOperation(std::string_view name, std::vector<Variant>&& given) {
  const ops::Operation* op = ops::FindOperation(name);
  const MemberInfo* member = op ? FindMember(name, MemberKind::Method) : nullptr;
  if (member == nullptr) throw DispatchError("no operation named " + QuotedName(name));
  BusyGuard guard(impl_->busy);
  const std::vector<Variant> args = BindArguments(*member, std::move(given));
  ops::ArgList views;
  for (std::size_t i = 0; i < args.size(); ++i) views.at(i) = ops::Arg::Of(args[i]);
  return RunBound(*impl_, *op, std::span<const ops::Arg>(views.data(), args.size()));
}

std::int16_t TavirelControl::RunOperation(const MemberInfo& member, std::span<const Variant> args) {
  const ops::Operation* op = OperationOfMember(member);
  if (op == nullptr) throw DispatchError("no operation named " + QuotedName(member.name));
  if (args.size() != op->params.size()) {
    throw DispatchError(std::string(op->name) + " takes " + std::to_string(op->params.size()) +
                        " arguments, not " + std::to_string(args.size()) + ": " +
                        Signature(member));
  }
  ops::ArgList views;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const ParamInfo& param = op->params[i];
    if (args[i].type() != param.type) {
      throw DispatchError(std::string(op->name) + ": argument " + std::string(param.name) + " is " +
                          std::string(TypeName(args[i].type())) + ", not " +
                          std::string(TypeName(param.type)));
    }
    views.at(i) = ops::Arg::Of(args[i]);
  }
  BusyGuard guard(impl_->busy);
  return RunBound(*impl_, *op, std::span<const ops::Arg>(views.data(), args.size()));
}

}  // namespace tavirel
