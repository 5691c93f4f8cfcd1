-- Versão antiga, substituída por VW_PEDIDOS_ABERTOS (não entra na instalação).
CREATE VIEW VW_PEDIDOS_ANTIGOS AS SELECT * FROM PEDIDO
